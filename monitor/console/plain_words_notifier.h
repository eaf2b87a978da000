#pragma once
// The monitor's terse messages in words a user understands, passed on to another notifier. The
// terse text stays at the end in brackets, where logs and searches find it.

#include <string>

#include "notifier.h"

class CPlainWordsNotifier : public INotifier {
  public:
    explicit CPlainWordsNotifier(INotifier& next) : m_next(next) {}
    void ShowMessage(const std::string& caption, const std::string& text) override;

  private:
    INotifier& m_next;
};

// The text as a user is told it; a text without plainer words is given as it is.
std::string PlainWords(const std::string& text);
