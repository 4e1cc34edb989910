#include "wnorb16/rcs/rcs_archive.hpp"

#include <cstring>
#include <unordered_map>

namespace wnorb16::rcs {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class TokenKind { kWord, kString, kSemicolon, kColon, kEnd, kTruncated };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view text;  // a word, or a string's raw contents ("@@" still doubled)
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return {TokenKind::kEnd, {}};
    const char c = text_[pos_];
    if (c == ';') return ++pos_, Token{TokenKind::kSemicolon, {}};
    if (c == ':') return ++pos_, Token{TokenKind::kColon, {}};
    if (c == '@') return String();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != ';' && text_[pos_] != ':' &&
           text_[pos_] != '@') {
      ++pos_;
    }
    // A word cut by the end of what was read may go on in the part not read yet.
    if (pos_ >= text_.size()) return {TokenKind::kTruncated, {}};
    return {TokenKind::kWord, text_.substr(start, pos_ - start)};
  }

 private:
  // "@" ... "@", where "@@" stands for one "@". Searched with memchr: file texts are long.
  Token String() {
    const std::size_t start = ++pos_;
    for (;;) {
      const void* at =
          pos_ < text_.size() ? std::memchr(text_.data() + pos_, '@', text_.size() - pos_) : nullptr;
      if (at == nullptr) return {TokenKind::kTruncated, {}};
      pos_ = static_cast<const char*>(at) - text_.data() + 1;
      if (pos_ < text_.size() && text_[pos_] == '@') {
        ++pos_;
        continue;
      }
      if (pos_ >= text_.size()) return {TokenKind::kTruncated, {}};
      return {TokenKind::kString, text_.substr(start, pos_ - 1 - start)};
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string Unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    out += raw[i];
    if (raw[i] == '@' && i + 1 < raw.size() && raw[i + 1] == '@') ++i;
  }
  return out;
}

// Reads the archive phrase by phrase; each step answers kComplete when the phrase was whole.
class Parser {
 public:
  explicit Parser(std::string_view text) : lexer_(text) { Advance(); }

  ParseStatus Header(Archive& out, HeaderPart part = HeaderPart::kDeltas) {
    // Admin phrases until the first delta's number or "desc".
    while (true) {
      if (token_.kind == TokenKind::kTruncated || token_.kind == TokenKind::kEnd) return Cut();
      if (token_.kind != TokenKind::kWord) return ParseStatus::kMalformed;
      if (token_.text == "desc" || IsDigit(token_.text[0])) break;
      ParseStatus s = AdminPhrase(out);
      if (s != ParseStatus::kComplete) return s;
    }
    if (part == HeaderPart::kAdmin) return ParseStatus::kComplete;
    while (token_.kind == TokenKind::kWord && IsDigit(token_.text[0])) {
      ParseStatus s = DeltaPhrase(out);
      if (s != ParseStatus::kComplete) return s;
    }
    if (token_.kind == TokenKind::kTruncated || token_.kind == TokenKind::kEnd) return Cut();
    return token_.kind == TokenKind::kWord && token_.text == "desc" ? ParseStatus::kComplete
                                                                    : ParseStatus::kMalformed;
  }

  // After Header: "desc" and its string, then each delta's log and text.
  bool Texts(Archive& out) {
    // By number, so a history of many revisions costs no more than reading it.
    std::unordered_map<std::string_view, Delta*> by_revision;
    by_revision.reserve(out.deltas.size());
    for (auto& d : out.deltas) by_revision.try_emplace(d.revision, &d);
    Advance();  // "desc"
    if (token_.kind != TokenKind::kString) return false;
    Advance();
    while (token_.kind == TokenKind::kWord) {
      auto found = by_revision.find(token_.text);
      Delta* delta = found != by_revision.end() ? found->second : nullptr;
      Advance();
      if (!IsWord("log")) return false;
      Advance();
      if (token_.kind != TokenKind::kString) return false;
      if (delta != nullptr) delta->log = Unescape(token_.text);
      Advance();
      while (token_.kind == TokenKind::kWord && token_.text != "text") {
        if (!SkipToSemicolon()) return false;
      }
      if (!IsWord("text")) return false;
      Advance();
      if (token_.kind != TokenKind::kString) return false;
      Advance();
    }
    return token_.kind == TokenKind::kEnd;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }
  bool IsWord(std::string_view word) const { return token_.kind == TokenKind::kWord && token_.text == word; }
  ParseStatus Cut() const { return ParseStatus::kTruncated; }

  // The value words of a phrase up to its ";", which is consumed.
  ParseStatus Values(std::vector<Token>& values) {
    Advance();
    while (token_.kind != TokenKind::kSemicolon) {
      if (token_.kind == TokenKind::kEnd || token_.kind == TokenKind::kTruncated) return Cut();
      values.push_back(token_);
      Advance();
    }
    Advance();
    return ParseStatus::kComplete;
  }

  bool SkipToSemicolon() {
    std::vector<Token> ignored;
    return Values(ignored) == ParseStatus::kComplete;
  }

  static std::string Single(const std::vector<Token>& values) {
    return !values.empty() && values[0].kind == TokenKind::kWord ? std::string(values[0].text)
                                                                 : std::string();
  }

  ParseStatus AdminPhrase(Archive& out) {
    const std::string_view keyword = token_.text;
    std::vector<Token> values;
    ParseStatus s = Values(values);
    if (s != ParseStatus::kComplete) return s;
    if (keyword == "head") {
      out.head = Single(values);
    } else if (keyword == "branch") {
      out.branch = Single(values);
    } else if (keyword == "strict") {
      out.strict = true;
    } else if (keyword == "expand") {
      if (!values.empty() && values[0].kind == TokenKind::kString) out.expand = Unescape(values[0].text);
    } else if (keyword == "locks") {
      // user ":" revision, repeated
      if (values.size() % 3 != 0) return ParseStatus::kMalformed;
      for (std::size_t i = 0; i < values.size(); i += 3) {
        if (values[i].kind != TokenKind::kWord || values[i + 1].kind != TokenKind::kColon ||
            values[i + 2].kind != TokenKind::kWord) {
          return ParseStatus::kMalformed;
        }
        out.locks.push_back({std::string(values[i].text), std::string(values[i + 2].text)});
      }
    }
    return ParseStatus::kComplete;
  }

  ParseStatus DeltaPhrase(Archive& out) {
    Delta delta;
    delta.revision = std::string(token_.text);
    Advance();
    while (token_.kind == TokenKind::kWord && !IsDigit(token_.text[0]) && token_.text != "desc") {
      const std::string_view keyword = token_.text;
      std::vector<Token> values;
      ParseStatus s = Values(values);
      if (s != ParseStatus::kComplete) return s;
      if (keyword == "date") {
        delta.date = Single(values);
      } else if (keyword == "author") {
        delta.author = Single(values);
      } else if (keyword == "state") {
        delta.state = Single(values);
      } else if (keyword == "next") {
        delta.next = Single(values);
      } else if (keyword == "branches") {
        for (const auto& v : values) delta.branches.emplace_back(v.text);
      }
    }
    if (token_.kind == TokenKind::kTruncated || token_.kind == TokenKind::kEnd) return Cut();
    out.deltas.push_back(std::move(delta));
    return ParseStatus::kComplete;
  }

  Lexer lexer_;
  Token token_;
};

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::optional<std::vector<long>> DateFields(std::string_view date) {
  std::vector<long> fields;
  std::size_t start = 0;
  while (start <= date.size()) {
    std::size_t dot = date.find('.', start);
    std::string_view part =
        date.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (part.empty() || part.size() > 4) return std::nullopt;
    long value = 0;
    for (char c : part) {
      if (!IsDigit(c)) return std::nullopt;
      value = value * 10 + (c - '0');
    }
    fields.push_back(value);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (fields.size() != 6) return std::nullopt;
  if (date.find('.') == 2) fields[0] += 1900;
  return fields;
}

std::string TwoDigits(long v) {
  return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

}  // namespace

const Delta* Archive::FindDelta(std::string_view revision) const {
  for (const auto& d : deltas) {
    if (d.revision == revision) return &d;
  }
  return nullptr;
}

const ArchiveLock* Archive::LockOf(std::string_view user) const {
  for (const auto& l : locks) {
    if (l.user == user) return &l;
  }
  return nullptr;
}

ParseStatus ParseArchiveHeader(std::string_view text, Archive& out, HeaderPart part) {
  out = Archive();
  return Parser(text).Header(out, part);
}

std::optional<Archive> ParseArchive(std::string_view text) {
  Archive archive;
  Parser parser(text);
  if (parser.Header(archive) != ParseStatus::kComplete) return std::nullopt;
  if (!parser.Texts(archive)) return std::nullopt;
  return archive;
}

std::string FormatRcsDate(std::string_view rcs_date) {
  std::optional<std::vector<long>> f = DateFields(rcs_date);
  if (!f) return std::string(rcs_date);
  const auto& v = *f;
  return std::to_string(v[0]) + "/" + TwoDigits(v[1]) + "/" + TwoDigits(v[2]) + " " + TwoDigits(v[3]) + ":" +
         TwoDigits(v[4]) + ":" + TwoDigits(v[5]);
}

std::optional<std::int64_t> RcsDateSeconds(std::string_view rcs_date) {
  std::optional<std::vector<long>> f = DateFields(rcs_date);
  if (!f) return std::nullopt;
  const auto& v = *f;
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31) return std::nullopt;
  return DaysFromCivil(v[0], static_cast<unsigned>(v[1]), static_cast<unsigned>(v[2])) * 86400 + v[3] * 3600 +
         v[4] * 60 + v[5];
}

int CompareRevisions(std::string_view a, std::string_view b) {
  while (!a.empty() || !b.empty()) {
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    std::size_t da = a.find('.');
    std::size_t db = b.find('.');
    std::string_view fa = a.substr(0, da);
    std::string_view fb = b.substr(0, db);
    while (fa.size() > 1 && fa[0] == '0') fa.remove_prefix(1);
    while (fb.size() > 1 && fb[0] == '0') fb.remove_prefix(1);
    if (fa.size() != fb.size()) return fa.size() < fb.size() ? -1 : 1;
    if (fa != fb) return fa < fb ? -1 : 1;
    a = da == std::string_view::npos ? std::string_view() : a.substr(da + 1);
    b = db == std::string_view::npos ? std::string_view() : b.substr(db + 1);
  }
  return 0;
}

std::optional<std::vector<std::uint64_t>> RevisionFields(std::string_view revision) {
  std::vector<std::uint64_t> fields{0};
  bool digit_seen = false;
  for (char c : revision) {
    if (c == '.') {
      if (!digit_seen) return std::nullopt;
      fields.push_back(0);
      digit_seen = false;
      continue;
    }
    if (!IsDigit(c)) return std::nullopt;
    // Checked before it grows: the field never exceeds the limit, so never overflows.
    std::uint64_t& field = fields.back();
    field = field * 10 + static_cast<std::uint64_t>(c - '0');
    if (field > kMaxRevisionField) return std::nullopt;
    digit_seen = true;
  }
  if (!digit_seen) return std::nullopt;
  return fields;
}

int RevisionDepth(std::string_view revision) {
  if (revision.empty()) return 0;
  int n = 1;
  for (char c : revision) n += c == '.';
  return n;
}

}  // namespace wnorb16::rcs
