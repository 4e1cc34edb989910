#include "wnorb16/command_words.hpp"

namespace wnorb16 {

namespace {

enum class Arguments { kNone, kRestOfLine, kOptionalRest, kOneOrTwoNames, kFileList };

struct Word {
  std::string_view word;
  CommandKind kind;
  Arguments arguments;
};

constexpr Word kWords[] = {
    {"G2LOCKING", CommandKind::kLockMode, Arguments::kNone},
    {"CD", CommandKind::kChangeDirectory, Arguments::kRestOfLine},
    {"T", CommandKind::kLockQuery, Arguments::kRestOfLine},
    {"L", CommandKind::kHistory, Arguments::kRestOfLine},
    {"-C", CommandKind::kCompare, Arguments::kOneOrTwoNames},
    {"CONFIG", CommandKind::kConfigure, Arguments::kNone},
    {"COMMENT", CommandKind::kComment, Arguments::kOptionalRest},
    {"VERSION", CommandKind::kVersion, Arguments::kOptionalRest},
};

// An option group: its first letter, the letters allowed between, its last letter.
struct OptionGroup {
  char first;
  std::string_view letters;  // in the order the add-in writes them
  char last;
  CommandKind kind;
};

// Every combination of a group's letters is taken; where two contradict, the command decides
// which wins and says so in its answer.
constexpr OptionGroup kGroups[] = {
    {'E', "BFRS", 'W', CommandKind::kExtract},
    {'U', "DFKMSB", 'W', CommandKind::kUpdate},
};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Upper(c);
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// False when `word` is not of this group; otherwise the group's letters of `word` go to
// `options` in the group's order, or the reason they cannot be taken to `error`.
bool ParseOptions(const OptionGroup& group, std::string_view word, std::string& options, std::string& error) {
  if (word.size() < 2 || Upper(word.front()) != group.first || Upper(word.back()) != group.last) return false;
  std::string seen;
  for (char c : word.substr(1, word.size() - 2)) {
    char letter = Upper(c);
    if (group.letters.find(letter) == std::string_view::npos) {
      error = std::string("unknown option \"") + c + "\" in " + std::string(word);
      return true;
    }
    if (seen.find(letter) != std::string::npos) {
      error = std::string("option ") + letter + " given twice in " + std::string(word);
      return true;
    }
    seen += letter;
  }
  for (char letter : group.letters) {
    if (seen.find(letter) != std::string::npos) options += letter;
  }
  return true;
}

std::vector<std::string> SplitFileList(std::string_view list) {
  std::vector<std::string> names;
  while (true) {
    auto comma = list.find(',');
    names.emplace_back(TrimBlanks(list.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return names;
}

}  // namespace

std::string Thousands(std::size_t n) {
  std::string digits = std::to_string(n);
  for (auto at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::variant<Command, CommandError> ParseCommand(std::string_view text) {
  if (text.size() > kMaxCommandBytes) {
    return CommandError{"the command is " + Thousands(text.size()) +
                        " bytes long; the engine takes at most " + Thousands(kMaxCommandBytes) +
                        ". Nothing was done"};
  }
  if (auto nul = text.find('\0'); nul != std::string_view::npos) {
    return CommandError{"the command holds a NUL byte (byte " + Thousands(nul + 1) +
                        "), which no name can hold. Nothing was done"};
  }
  // A line typed at the terminal may end in CR or LF; the add-in's never does.
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  if (TrimBlanks(text).empty()) return CommandError{"empty command"};
  const auto blank = text.find(' ');
  const std::string_view word = text.substr(0, blank);
  const std::string_view rest =
      blank == std::string_view::npos ? std::string_view() : TrimBlanks(text.substr(blank + 1));

  Command command{CommandKind::kLockMode, std::string(word), "", {}};
  Arguments arguments = Arguments::kNone;
  bool found = false;
  for (const auto& w : kWords) {
    if (Upper(word) == w.word) {
      command.kind = w.kind;
      arguments = w.arguments;
      found = true;
      break;
    }
  }
  if (!found) {
    for (const auto& group : kGroups) {
      std::string error;
      if (ParseOptions(group, word, command.options, error)) {
        if (!error.empty()) return CommandError{error};
        command.kind = group.kind;
        arguments = Arguments::kFileList;
        found = true;
        break;
      }
    }
  }
  if (!found) return CommandError{"unknown command \"" + std::string(word) + "\""};

  switch (arguments) {
    case Arguments::kNone:
      if (!rest.empty()) return CommandError{std::string(word) + " takes no arguments"};
      break;
    case Arguments::kRestOfLine:
      if (rest.empty()) return CommandError{std::string(word) + " needs a name"};
      command.names.emplace_back(rest);
      break;
    case Arguments::kOptionalRest:
      if (!rest.empty()) command.names.emplace_back(rest);
      break;
    case Arguments::kOneOrTwoNames: {
      std::string_view r = rest;
      while (!r.empty()) {
        auto b = r.find(' ');
        command.names.emplace_back(r.substr(0, b));
        r = b == std::string_view::npos ? std::string_view() : TrimBlanks(r.substr(b + 1));
      }
      if (command.names.empty() || command.names.size() > 2) {
        return CommandError{std::string(word) + " needs the file name once or twice"};
      }
      break;
    }
    case Arguments::kFileList:
      if (rest.empty()) return CommandError{std::string(word) + " needs a file list"};
      command.names = SplitFileList(rest);
      for (const auto& n : command.names) {
        if (n.empty()) return CommandError{"empty name in the file list"};
      }
      break;
  }
  for (const auto& name : command.names) {
    if (name.size() > kMaxNameBytes && command.kind != CommandKind::kComment) {
      return CommandError{"a name of " + Thousands(name.size()) + " bytes is longer than the " +
                          Thousands(kMaxNameBytes) + " the engine takes. Nothing was done"};
    }
  }
  return command;
}

std::string CommandAsShown(std::string_view text) {
  constexpr std::size_t kShownStart = 200;
  const bool cut = text.size() > kMaxCommandBytes;
  std::string_view kept = text;
  if (cut) {
    std::size_t end = kShownStart;
    // Never half a UTF-8 character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    kept = text.substr(0, end);
  }
  std::string shown;
  for (char c : kept) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  if (cut) shown += "... (" + Thousands(text.size()) + " bytes)";
  return shown;
}

}  // namespace wnorb16
