#include "Convert.h"

#include <algorithm>

#include "Escape.h"
#include "app/AnsiCodePage.h"
#include "app/Messages.h"

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

std::optional<OutsideCodePage> FirstOutsideCodePage(const Utf8Text& decoded) {
  const Text& text = decoded.text;
  // A character beyond 16 bits stands in the text as a "?" of the code page.
  auto index = static_cast<std::size_t>(std::ranges::find_if_not(text, InCodePage) - text.begin());
  char32_t character = index < text.size() ? text[index] : U'\0';
  if (decoded.firstWide && decoded.firstWide->index < index) {
    index = decoded.firstWide->index;
    character = decoded.firstWide->character;
  }
  if (index >= text.size())
    return std::nullopt;
  const TextPlace place = PlaceIn(text, index);
  return OutsideCodePage{character, place.line, place.column};
}

bool LooksEscaped(std::string_view input) {
  Unescaper reader;
  return input.find('\\') != std::string_view::npos && reader.Feed(input);
}

}  // namespace vantrel::cli
