#include "plain_words_notifier.h"

#include <utility>

namespace {

const std::pair<const char*, const char*> PLAIN_WORDS[] = {
    {"Can't restore SMI!",
     "The hardware monitor chip's alarm interrupts (SMI) could not be handed back to the "
     "BIOS as they were before the monitor started: the chip or its driver service did not "
     "answer. Until the computer restarts, the BIOS may not act on the chip's alarms."},
};

}  // namespace

std::string PlainWords(const std::string& text) {
    for (const auto& [terse, plain] : PLAIN_WORDS)
        if (text == terse)
            return std::string(plain) + " [" + terse + "]";
    return text;
}

void CPlainWordsNotifier::ShowMessage(const std::string& caption, const std::string& text) {
    m_next.ShowMessage(caption, PlainWords(text));
}
