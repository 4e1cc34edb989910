// Runs scenarios against a small project written into a temporary folder; the transcript comes
// back as lines with the folder's Windows path replaced by "$DIR".
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/scenario_lexer.hpp"
#include "host/scenario_runner.hpp"
#include "tests/support/temp_folder.hpp"

namespace testing_support {

// A three-component project; smaller ones beside it (one component, none, a missing file, a
// hidden file, an unmapped drive); an engine executable for the add-in to find.
inline void WriteProject(const TempFolder& tmp) {
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
  tmp.Write("App/Unmapped.vbp", "Type=Exe\r\nModule=Module1; Module1.bas\r\nRelatedDoc=Z:\\x.txt\r\n");
  tmp.MakeDir("App/Sub");
  tmp.Write("ide/C2.EXE", "");
  tmp.Write("bin/WNORB16.EXE", "");
  tmp.Write("windows/vbaddin.ini", "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
}

// The lines that contain `needle`.
inline std::vector<std::string> With(const std::vector<std::string>& lines, const std::string& needle) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    if (l.find(needle) != std::string::npos) out.push_back(l);
  }
  return out;
}

// A transcript's lines, with the folder's Windows path as "$DIR".
inline std::vector<std::string> TranscriptLines(const TempFolder& tmp, const std::string& transcript) {
  std::string escaped;  // the folder as JSON writes it
  for (char c : tmp.Windows()) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  std::vector<std::string> lines;
  std::istringstream in(transcript);
  for (std::string line; std::getline(in, line); lines.push_back(line)) {
    for (std::size_t p; (p = line.find(escaped)) != std::string::npos;)
      line.replace(p, escaped.size(), "$DIR");
  }
  return lines;
}

// The transcript lines of `scenario` run in `tmp`; a scenario error goes to `error`, without one
// it fails the test.
inline std::vector<std::string> RunIn(const TempFolder& tmp, const std::string& scenario,
                                      std::string* error = nullptr) {
  tmp.Write("s.scn", "addin install bin\nset windir windows\n" + scenario);
  std::ostringstream out;
  {
    vbhost::ScenarioRunner runner(out, vbhost::RunnerOptions{tmp / "bin", "", false});
    try {
      runner.RunFile(tmp / "s.scn");
    } catch (const vbhost::ScenarioError& e) {
      if (error == nullptr) ADD_FAILURE() << e.what();
      if (error != nullptr) *error = e.what();
    }
  }
  return TranscriptLines(tmp, out.str());
}

class ScenarioFixture : public ::testing::Test {
 protected:
  ScenarioFixture() { WriteProject(tmp); }
  std::vector<std::string> Run(const std::string& scenario, std::string* error = nullptr) {
    return RunIn(tmp, scenario, error);
  }
  TempFolder tmp;
};

}  // namespace testing_support
