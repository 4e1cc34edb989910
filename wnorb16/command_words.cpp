#include "wnorb16/command_words.hpp"

#include <algorithm>

namespace wnorb16 {

namespace {

enum class Arguments { kNone, kRestOfLine, kOneOrTwoNames, kFileList };

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
};

// An option group: its first letter, the letters allowed between, its last letter.
struct OptionGroup {
  char first;
  std::string_view letters;  // in the order the add-in writes them
  char last;
  CommandKind kind;
  // A letter of `one` refused together with a letter of `others`.
  struct Exclusion {
    std::string_view one;
    std::string_view others;
    std::string_view reason;
  };
  std::vector<Exclusion> exclusions;
};

constexpr std::string_view kOneNumbering =
    "options M, S and B each choose the revision number; give one of them";
constexpr std::string_view kDiscardAlone =
    "option D stores nothing; it cannot be combined with F, K, M, S or B";

const OptionGroup kGroups[] = {
    {'E',
     "BFRS",
     'W',
     CommandKind::kExtract,
     {{"B", "R", "options B (read-only copy, no lock) and R (lock only) exclude each other"}}},
    {'U',
     "DFKMSB",
     'W',
     CommandKind::kUpdate,
     {{"M", "SB", kOneNumbering}, {"S", "B", kOneNumbering}, {"D", "FKMSB", kDiscardAlone}}},
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
  auto any_of = [&](std::string_view letters) {
    return std::any_of(letters.begin(), letters.end(),
                       [&](char l) { return options.find(l) != std::string::npos; });
  };
  for (const auto& exclusion : group.exclusions) {
    if (any_of(exclusion.one) && any_of(exclusion.others)) {
      error = std::string(exclusion.reason);
      return true;
    }
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

std::variant<Command, CommandError> ParseCommand(std::string_view text) {
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
  return command;
}

}  // namespace wnorb16
