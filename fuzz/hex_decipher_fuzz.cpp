// Deciphering a text from hexadecimal: any bytes as the hex text under a
// key, and the way back of every text enciphered by the runtime itself.
//
// Input: one byte n, then up to n bytes of key, then the text.
#include <string>

#include "core/blowfish.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr const char* kTarget = "hex_decipher";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const size_t keyLength = input.Byte();
  std::string key;
  for (size_t i = 0; i < keyLength && input.RestSize() > 0; ++i) key += static_cast<char>(input.Byte());
  const std::string text = input.Rest();
  const RtString keyText = StringFromBytes(key.data(), static_cast<uint32_t>(key.size()));

  // Hostile hex: any bytes, any length.
  RtString hex = StringFromBytes(text.data(), static_cast<uint32_t>(text.size()));
  const RtString plain = DecipherFromHex(keyText, hex);
  FUZZ_CHECK(plain.length <= text.size() / 2 + 8, kTarget, "deciphering gave more bytes than the hex holds");

  // The way back: what EncipherToHex makes deciphers to the text (up to its
  // first zero byte), in lower or upper case.
  const RtString original = StringFromCStr(text.c_str());
  const RtString enciphered = EncipherToHex(keyText, original);
  RtString lower = StringCopy(enciphered);
  const RtString back = DecipherFromHex(keyText, lower);
  FUZZ_CHECK(std::string(back.text, back.length) == std::string(original.text, original.length), kTarget,
             "a text enciphered to hex does not decipher back");
  std::string upper(enciphered.text, enciphered.length);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c);
  RtString upperText = StringFromBytes(upper.data(), static_cast<uint32_t>(upper.size()));
  const RtString backUpper = DecipherFromHex(keyText, upperText);
  FUZZ_CHECK(std::string(backUpper.text, backUpper.length) == std::string(original.text, original.length), kTarget,
             "upper-case hex deciphers otherwise than lower-case");
  FuzzForgetErrorLog();
  return 0;
}
