#include "locale_language.h"

#include <cstdlib>

namespace {

struct LocaleId {
    std::string_view locale;  // language_TERRITORY
    uint16_t id;
};

// Sublanguage 1 (in bits 10 and up) is a language's default territory.
constexpr uint16_t SUBLANG_DEFAULT_BITS = 0x0400;
constexpr uint16_t SUBLANG_MASK = 0xFC00;

constexpr LocaleId LOCALES[] = {
    {"ca_ES", 0x0403}, {"cs_CZ", 0x0405}, {"da_DK", 0x0406}, {"de_AT", 0x0C07}, {"de_CH", 0x0807},
    {"de_DE", 0x0407}, {"de_LU", 0x1007}, {"el_GR", 0x0408}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_GB", 0x0809}, {"en_IE", 0x1809}, {"en_NZ", 0x1409}, {"en_US", 0x0409}, {"es_AR", 0x2C0A},
    {"es_ES", 0x040A}, {"es_MX", 0x080A}, {"eu_ES", 0x042D}, {"fi_FI", 0x040B}, {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_FR", 0x040C}, {"hu_HU", 0x040E}, {"id_ID", 0x0421},
    {"it_CH", 0x0810}, {"it_IT", 0x0410}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"nb_NO", 0x0414},
    {"nl_BE", 0x0813}, {"nl_NL", 0x0413}, {"nn_NO", 0x0814}, {"no_NO", 0x0414}, {"pl_PL", 0x0415},
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"ru_RU", 0x0419}, {"sk_SK", 0x041B}, {"sl_SI", 0x0424},
    {"sv_FI", 0x081D}, {"sv_SE", 0x041D}, {"th_TH", 0x041E}, {"tr_TR", 0x041F}, {"zh_CN", 0x0804},
    {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404},
};

std::string_view LanguageOf(std::string_view locale) {
    return locale.substr(0, locale.find('_'));
}

}  // namespace

std::string UserLocaleName() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') {
            return v;
        }
    }
    return "";
}

uint16_t LanguageIdFromLocale(std::string_view locale) {
    // Drop the code set and the modifier: "de_DE.UTF-8@euro" is de_DE.
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty()) {
        return 0;
    }
    bool hasTerritory = locale.find('_') != std::string_view::npos;
    for (const auto& l : LOCALES) {
        if (hasTerritory
                ? l.locale == locale
                : LanguageOf(l.locale) == locale && (l.id & SUBLANG_MASK) == SUBLANG_DEFAULT_BITS) {
            return l.id;
        }
    }
    return 0;
}
