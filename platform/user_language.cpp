#include "platform/user_language.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr uint16_t kEnglishUs = 0x0409;

struct PrimaryLanguage {
  const char* code;  // ISO 639 code as locales name the language
  uint16_t primary;  // Windows primary language id
};

constexpr PrimaryLanguage kPrimaryLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02},  {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09},  {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10},  {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14},
    {"no", 0x14}, {"pl", 0x15},  {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A},
    {"sk", 0x1B}, {"sq", 0x1C},  {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20}, {"id", 0x21},
    {"uk", 0x22}, {"be", 0x23},  {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"fa", 0x29},
    {"vi", 0x2A}, {"hy", 0x2B},  {"az", 0x2C}, {"eu", 0x2D}, {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37},
    {"fo", 0x38}, {"hi", 0x39},  {"ms", 0x3E}, {"kk", 0x3F}, {"ky", 0x40}, {"sw", 0x41}, {"uz", 0x43},
    {"tt", 0x44}, {"bn", 0x45},  {"pa", 0x46}, {"gu", 0x47}, {"or", 0x48}, {"ta", 0x49}, {"te", 0x4A},
    {"kn", 0x4B}, {"ml", 0x4C},  {"as", 0x4D}, {"mr", 0x4E}, {"sa", 0x4F}, {"mn", 0x50}, {"gl", 0x56},
    {"kok", 0x57}, {"syr", 0x5A}, {"dv", 0x65},
};

uint16_t MakeLanguageId(uint16_t primary, uint16_t sublanguage) {
  return static_cast<uint16_t>((sublanguage << 10) | primary);
}

uint16_t ChineseSublanguage(const std::string& territory) {
  if (territory == "TW") return 1;
  if (territory == "HK") return 3;
  if (territory == "SG") return 4;
  if (territory == "MO") return 5;
  return 2;  // CN, and Chinese without a territory
}

}  // namespace

uint16_t LanguageIdFromLocale(const char* locale) {
  if (locale == nullptr) return kEnglishUs;
  // language[_territory][.codeset][@modifier]
  const std::string text = locale;
  const size_t language_end = text.find_first_of("_.@");
  const std::string language = text.substr(0, language_end);
  std::string territory;
  if (language_end != std::string::npos && text[language_end] == '_') {
    const size_t territory_end = text.find_first_of(".@", language_end + 1);
    territory = text.substr(language_end + 1, territory_end == std::string::npos ? std::string::npos
                                                                                 : territory_end - language_end - 1);
  }
  const size_t at = text.find('@');
  const std::string modifier = at == std::string::npos ? std::string() : text.substr(at + 1);

  for (const PrimaryLanguage& entry : kPrimaryLanguages) {
    if (language != entry.code) continue;
    if (language == "zh") return MakeLanguageId(entry.primary, ChineseSublanguage(territory));
    if (language == "sr") return MakeLanguageId(entry.primary, modifier == "latin" ? 2 : 3);
    return MakeLanguageId(entry.primary, 1);
  }
  return kEnglishUs;
}

uint16_t PlatformUserLanguageId() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return LanguageIdFromLocale(value);
  }
  return kEnglishUs;
}
