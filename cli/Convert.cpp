#include "Convert.h"

#include <algorithm>

#include "Escape.h"
#include "app/Messages.h"
#include "codec/AnyText.h"

namespace vantrel::cli {

Text WithWindowsLineEnds(Text text) {
  std::size_t lone = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    lone += text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r');
  if (lone == 0)
    return text;
  Text out;
  out.reserve(text.size() + lone);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
      out.push_back(u'\r');
    out.push_back(text[i]);
  }
  return out;
}

Text WithUnixLineEnds(Text text) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
      text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

std::optional<OutsideCodePage> FirstNeedingAnyTextForm(const Text& text) {
  if (!NeedsAnyTextForm(text))
    return std::nullopt;
  const auto index = static_cast<std::size_t>(
      std::ranges::find_if(text, [](char16_t unit) { return unit < 10 || unit > 125; }) -
      text.begin());
  if (index >= text.size())  // only the form's first two characters
    return OutsideCodePage{text[0], 1, 1};
  char32_t character = text[index];
  if (character >= 0xD800 && character <= 0xDBFF && index + 1 < text.size() &&
      text[index + 1] >= 0xDC00 && text[index + 1] <= 0xDFFF)
    character = 0x10000 + ((character - 0xD800) << 10) + (text[index + 1] - 0xDC00u);
  const TextPlace place = PlaceIn(text, index);
  return OutsideCodePage{character, place.line, place.column};
}

bool LooksEscaped(std::string_view input) {
  Unescaper reader;
  return input.find('\\') != std::string_view::npos && reader.Feed(input);
}

}  // namespace vantrel::cli
