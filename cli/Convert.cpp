#include "Convert.h"

#include "Escape.h"
#include "app/AnsiCodePage.h"

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
  std::size_t line = 1;
  std::size_t column = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit == u'\n') {
      ++line;
      column = 0;
      continue;
    }
    if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
      continue;
    ++column;
    if (decoded.firstWide && decoded.firstWide->index == i)
      return OutsideCodePage{decoded.firstWide->character, line, column};
    if (!InCodePage(unit))
      return OutsideCodePage{unit, line, column};
  }
  return std::nullopt;
}

bool LooksEscaped(std::string_view input) {
  Unescaper reader;
  return input.find('\\') != std::string_view::npos && reader.Feed(input);
}

}  // namespace vantrel::cli
