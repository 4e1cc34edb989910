// The project's scenario files as cases, for the runners of every platform. A file is one case,
// or, from its first "#-- " line on, one case per such line: the lines before the first are
// every case's opening. A case's "#= " lines must appear in its transcript in that order, as
// must a line holding each "#~ " line's text; no transcript line may hold a "#! " line's text
// and exactly N lines a "#N " line's; a "#error " line is the message of the scenario error the
// run must stop with. "$DIR" in a command is the case folder's Windows path, as it is in the
// transcript, where the folder's short form is "$SHORT" (each system has its own aliases).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// A three-component project; smaller ones beside it (one component, none, a missing file, a
// hidden file, an unmapped drive); an engine executable for the add-in to find; Windows
// directories with their add-in lists. `Folder` writes a file by its path relative to the folder
// ("/" between names) and makes a folder.
template <typename Folder>
void WriteProject(const Folder& tmp) {
  for (const char* folder : {"App", "App/Sub", "ide", "bin", "windows", "win-new"}) tmp.MakeDir(folder);
  tmp.Write(
      "App/App.vbp",
      "Type=Exe\r\nForm=Form1.frm\r\nModule=Module1; Module1.bas\r\nClass=Class1.cls\r\nName=\"App\"\r\n");
  tmp.Write("App/Form1.frm",
            "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd\r\nAttribute VB_Name = \"Form1\"\r\n");
  tmp.Write("App/Form1.frx", std::string("lt\0\0", 4));
  tmp.Write("App/Module1.bas", "Attribute VB_Name = \"Module1\"\r\n");
  tmp.Write("App/Class1.cls", "Attribute VB_Name = \"Class1\"\r\n");
  tmp.Write("App/One.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nName=\"One\"\r\n");
  tmp.Write("App/Empty.vbp", "Type=Exe\r\nName=\"Empty\"\r\n");
  tmp.Write("App/Gone.vbp", "Type=Exe\r\nForm=Form1.frm\r\nModule=Module1; Gone.bas\r\nClass=Class1.cls\r\n");
  tmp.Write("App/Hidden.vbp", "Type=Exe\r\nModule=Hidden; .hidden.bas\r\n");
  tmp.Write("App/.hidden.bas", "Attribute VB_Name = \"Hidden\"\r\n");
  tmp.Write("App/Unmapped.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nRelatedDoc=Q:\\x.txt\r\n");
  tmp.Write("ide/C2.EXE", "");
  tmp.Write("bin/WNORB16.EXE", "");
  tmp.Write("windows/vbaddin.ini", "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  // Lists whose entry for the add-in holds another value, beside a comment and another add-in's
  // entry (win-new has no list at all).
  for (const auto& [folder, value] :
       {std::pair{"win-notfound", "NotFound"}, {"win-empty", ""}, {"win-one", "1"}}) {
    tmp.MakeDir(folder);
    tmp.Write(std::string(folder) + "/vbaddin.ini",
              std::string("; the IDE's list\r\n[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=") + value +
                  "\r\n;Old.Connect=1\r\nOther.Connect=1\r\n");
  }
}

// What every case's script begins with: the add-in installed in the project's bin/, the
// session's Windows directory its windows/.
inline const std::string kCaseOpening = "addin install bin\nset windir windows\n";

// The lines that contain `needle`.
inline std::vector<std::string> With(const std::vector<std::string>& lines, const std::string& needle) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    if (l.find(needle) != std::string::npos) out.push_back(l);
  }
  return out;
}

// `text` with every `what` replaced by `by`.
inline std::string Replaced(std::string text, const std::string& what, const std::string& by) {
  if (what.empty()) return text;
  for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += by.size())
    text.replace(p, what.size(), by);
  return text;
}

// As JSON writes a Windows path.
inline std::string JsonEscaped(const std::string& path) { return Replaced(path, "\\", "\\\\"); }

// A transcript's lines, with the case folder's Windows path as "$DIR" and its short form (when
// it differs) as "$SHORT".
inline std::vector<std::string> TranscriptLines(const std::string& transcript, const std::string& folder,
                                                const std::string& short_folder = "") {
  std::vector<std::string> lines;
  std::istringstream in(transcript);
  for (std::string line; std::getline(in, line);) {
    line = Replaced(line, JsonEscaped(folder), "$DIR");
    if (short_folder != folder) line = Replaced(line, JsonEscaped(short_folder), "$SHORT");
    lines.push_back(line);
  }
  return lines;
}

// The names of the scenario files in `folder`, without ".scn", sorted.
inline std::vector<std::string> ScenarioFiles(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() == ".scn") files.push_back(e.path().stem().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file's cases, each its whole text (the opening, then its own lines).
inline std::vector<std::string> CasesOf(const std::string& text) {
  std::size_t first = text.find("\n#-- ");
  if (first == std::string::npos) return {text};
  std::vector<std::string> cases;
  const std::string opening = text.substr(0, first + 1);
  for (std::size_t at = first + 1, next; at < text.size(); at = next) {
    next = std::min(text.find("\n#-- ", at), text.size() - 1) + 1;
    cases.push_back(opening + text.substr(at, next - at));
  }
  return cases;
}

// The case's first "#-- " line, to name it in a failure; "" for a file of one case.
inline std::string CaseTitle(const std::string& text) {
  std::size_t at = text.find("\n#-- ");
  return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

// The case's commands as run in `folder` (its Windows path): "$DIR" replaced.
inline std::string Commands(const std::string& text, const std::string& folder) {
  return Replaced(text, "$DIR", folder);
}

// Checks the transcript `t` of a case's run, which stopped with the scenario error `error`
// ("" when none), against the case's expectations.
inline void CheckCase(const std::string& text, const std::vector<std::string>& t, const std::string& error) {
  const bool failed_before = ::testing::Test::HasFailure();
  auto at = t.begin();
  std::string expected_error;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    const std::string text = l.size() > 3 ? l.substr(3) : "";
    if (l.rfind("#= ", 0) == 0 || l.rfind("#~ ", 0) == 0) {
      auto found = std::find_if(at, t.end(), [&](const std::string& line) {
        return l[1] == '=' ? line == text : line.find(text) != std::string::npos;
      });
      EXPECT_TRUE(found != t.end()) << "missing or out of order: " << text;
      at = found == t.end() ? at : found + 1;
    } else if (l.rfind("#! ", 0) == 0) {
      EXPECT_EQ(With(t, text), std::vector<std::string>()) << l;
    } else if (auto n = l.find(' '); n > 1 && n != l.npos && l.find_first_not_of("0123456789", 1) == n) {
      EXPECT_EQ(With(t, l.substr(n + 1)).size(), std::stoul(l.substr(1, n - 1))) << l;
    } else if (l.rfind("#error ", 0) == 0) {
      expected_error = l.substr(7);
    }
  }
  const std::string message = error.empty() ? "" : error.substr(error.find(": ") + 2);
  EXPECT_EQ(message, expected_error);
  if (!failed_before && ::testing::Test::HasFailure()) ADD_FAILURE() << ::testing::PrintToString(t);
}

// Keeps a case's transcript lines in `folder` as "<file>.<n>.jsonl" (n from 1) for the other
// platform's run to compare with its own; a scenario error the run stopped with is the last line,
// as "#error <message>".
inline void KeepTranscript(const std::string& folder, const std::string& file, std::size_t index,
                           const std::vector<std::string>& lines, const std::string& error) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder + "/" + file + "." + std::to_string(index + 1) + ".jsonl", std::ios::binary);
  for (const std::string& line : lines) out << line << "\n";
  if (!error.empty()) out << "#error " << error.substr(error.find(": ") + 2) << "\n";
}

// The lines KeepTranscript kept; nullopt when there is no such file.
inline std::optional<std::vector<std::string>> KeptTranscript(const std::string& folder,
                                                              const std::string& file, std::size_t index) {
  std::ifstream in(folder + "/" + file + "." + std::to_string(index + 1) + ".jsonl", std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace testing_support
