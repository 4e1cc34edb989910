#include "posix/private_profile.hpp"

#include <vector>

#include "posix/directory.hpp"

namespace posix {

namespace {

std::string_view Trim(std::string_view text) {
  auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

struct Line {
  std::size_t begin;    // offset of the line's first byte
  std::size_t content;  // offset just past its text, where the line end starts
  std::size_t end;      // offset just past its line end
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    auto newline = text.find('\n', begin);
    std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
    std::size_t content = newline == std::string_view::npos ? text.size() : newline;
    if (content > begin && text[content - 1] == '\r') --content;
    lines.push_back({begin, content, end});
    begin = end;
  }
  return lines;
}

enum class Kind { kOther, kSection, kKey };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string_view name;   // the section's or key's name
  std::string_view value;  // a key's value, trimmed
};

Parsed Parse(std::string_view line) {
  std::string_view text = Trim(line);
  if (text.empty() || text[0] == ';') return {};
  if (text[0] == '[') {
    auto close = text.find(']');
    return {Kind::kSection, Trim(text.substr(1, close == std::string_view::npos ? close : close - 1)), {}};
  }
  auto equals = text.find('=');
  if (equals == std::string_view::npos) return {};
  return {Kind::kKey, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// The lines of the first section named `section`: [header, end) as line indexes.
struct SectionSpan {
  std::size_t header;
  std::size_t end;
};

std::optional<SectionSpan> FindSection(std::string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Parsed header = Parse(text.substr(lines[i].begin, lines[i].content - lines[i].begin));
    if (header.kind != Kind::kSection || !EqualsIgnoringCase(header.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() &&
           Parse(text.substr(lines[end].begin, lines[end].content - lines[end].begin)).kind !=
               Kind::kSection) {
      ++end;
    }
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::string_view LineEnd(std::string_view text) {
  auto newline = text.find('\n');
  if (newline != std::string_view::npos && (newline == 0 || text[newline - 1] != '\r')) return "\n";
  return "\r\n";
}

// Ends the last line of `out` if it has no line end. A last line ending in a lone CR has half of
// one: a whole line end there would leave that CR in the line's text and change what it says.
void EndLastLine(std::string& out, std::string_view eol) {
  if (out.empty() || out.back() == '\n') return;
  if (out.back() == '\r') {
    out += '\n';
  } else {
    out += eol;
  }
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  std::vector<Line> lines = SplitLines(text);
  std::optional<SectionSpan> span = FindSection(text, lines, section);
  if (!span) return std::nullopt;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    Parsed line = Parse(text.substr(lines[i].begin, lines[i].content - lines[i].begin));
    if (line.kind != Kind::kKey || !EqualsIgnoringCase(line.name, key)) continue;
    std::string_view value = line.value;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> ProfileSection(std::string_view text,
                                                                std::string_view section) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::vector<Line> lines = SplitLines(text);
  std::optional<SectionSpan> span = FindSection(text, lines, section);
  if (!span) return keys;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    Parsed line = Parse(text.substr(lines[i].begin, lines[i].content - lines[i].begin));
    if (line.kind == Kind::kKey) keys.emplace_back(line.name, line.value);
  }
  return keys;
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  std::string_view eol = LineEnd(text);
  std::vector<Line> lines = SplitLines(text);
  std::optional<SectionSpan> span = FindSection(text, lines, section);
  std::string out;

  if (!span) {
    out = text;
    EndLastLine(out, eol);
    if (!lines.empty() &&
        !Trim(text.substr(lines.back().begin, lines.back().content - lines.back().begin)).empty()) {
      out += eol;
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
  }

  std::size_t last_filled = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    std::string_view content = text.substr(lines[i].begin, lines[i].content - lines[i].begin);
    Parsed line = Parse(content);
    if (line.kind == Kind::kKey && EqualsIgnoringCase(line.name, key)) {
      out = text.substr(0, lines[i].begin);
      out.append(line.name).append("=").append(value);
      out += text.substr(lines[i].content);
      return out;
    }
    if (!Trim(content).empty()) last_filled = i;
  }

  const Line& after = lines[last_filled];
  out = text.substr(0, after.end);
  EndLastLine(out, eol);
  out.append(key).append("=").append(value).append(eol);
  out += text.substr(after.end);
  return out;
}

}  // namespace posix
