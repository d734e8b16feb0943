#include "Compare.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <climits>

namespace platform::text {
namespace {

icu::UnicodeString fromUtf8(std::string_view bytes) {
  // Texts here are titles and descriptions; ICU's 32-bit lengths suffice, and
  // anything longer is cut rather than wrapped around.
  const auto length = static_cast<int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
  return icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), length));
}

// Canonical decomposition. On an ICU failure, the text as it is.
icu::UnicodeString decomposed(const icu::UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return text;
  icu::UnicodeString out = nfd->normalize(text, status);
  return U_FAILURE(status) ? text : out;
}

// Canonical caseless form: NFD(fold(NFD(text))).
icu::UnicodeString caseless(std::string_view bytes) {
  icu::UnicodeString text = decomposed(fromUtf8(bytes));
  text.foldCase(U_FOLD_CASE_DEFAULT);
  return decomposed(text);
}

}  // namespace

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  return decomposed(fromUtf8(a)) == decomposed(fromUtf8(b));
}

bool canonicallyStartsWith(std::string_view text, std::string_view prefix) {
  const icu::UnicodeString whole = decomposed(fromUtf8(text));
  const icu::UnicodeString start = decomposed(fromUtf8(prefix));
  if (!whole.startsWith(start)) return false;
  if (whole.length() == start.length()) return true;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return false;
  // The next character must not combine with what came before it.
  return nfc->hasBoundaryBefore(whole.char32At(start.length()));
}

bool containsIgnoringCase(std::string_view text, std::string_view needle) {
  const icu::UnicodeString wanted = caseless(needle);
  return wanted.isEmpty() || caseless(text).indexOf(wanted) >= 0;
}

}  // namespace platform::text
