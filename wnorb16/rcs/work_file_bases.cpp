#include "wnorb16/rcs/work_file_bases.hpp"

#include <algorithm>
#include <string_view>

#include "wnorb16/rcs/rcs_archive.hpp"

namespace wnorb16::rcs {

namespace {

// The first line; a file without it is not ours, or was damaged, and is taken as empty.
constexpr std::string_view kHeader = "WNORB16 work file bases 1";
// The lines a file may hold beyond its notes before it is written anew.
constexpr std::size_t kSpareLines = 1000;
// 2 * kMaxBases + kSpareLines lines of two long paths each fit; a larger file is not ours.
constexpr std::size_t kMaxFileBytes = 32 << 20;

bool SameFile(const FileStatus& a, const FileStatus& b) {
  return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified_ns == b.modified_ns && a.changed_ns == b.changed_ns;
}

// A path may hold any byte but NUL; the fields are split at tabs and the lines at LF.
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// One note as a line of the file.
void AppendLine(std::string& out, const std::string& work, const std::string& archive,
                const std::string& revision) {
  out += revision;
  out += '\t';
  AppendEscaped(out, archive);
  out += '\t';
  AppendEscaped(out, work);
  out += '\n';
}

}  // namespace

void WorkFileBases::Refresh() {
  if (path_.empty()) return;
  const FileStatus now = StatusOf(path_);
  if (seen_ && SameFile(*seen_, now)) return;
  Load();
  seen_ = now;
}

void WorkFileBases::Load() {
  bases_.clear();
  lines_ = 0;
  std::optional<posix::FilePrefix> text = posix::ReadFilePrefix(path_, kMaxFileBytes);
  well_formed_ = text && text->whole && text->bytes.starts_with(std::string(kHeader) + "\n");
  std::string_view rest;
  if (well_formed_) rest = std::string_view(text->bytes).substr(kHeader.size() + 1);
  // "<revision> TAB <archive> TAB <work file> LF", oldest note first; a line that is not (one an
  // engine stopped in the middle of) is skipped.
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
      well_formed_ = false;  // a line added after it would join it: the file is written anew
      break;
    }
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    ++lines_;
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos || line.find('\t', second + 1) != std::string_view::npos) continue;
    const std::string_view revision = line.substr(0, first);
    std::optional<std::string> archive = Unescaped(line.substr(first + 1, second - first - 1));
    std::optional<std::string> work = Unescaped(line.substr(second + 1));
    if (!RevisionFields(revision) || !archive || !work || archive->empty() || work->empty()) continue;
    bases_.insert_or_assign(*work, Base{std::move(*archive), std::string(revision), next_order_++});
  }
  // What this engine noted since it last wrote stays the latest word.
  for (auto& [work, base] : unsaved_) {
    base.order = next_order_++;
    bases_.insert_or_assign(work, base);
  }
  Trim();
}

void WorkFileBases::Trim() {
  if (bases_.size() <= kMaxBases) return;
  std::vector<std::uint64_t> orders;
  orders.reserve(bases_.size());
  for (const auto& entry : bases_) orders.push_back(entry.second.order);
  const auto cut = orders.begin() + static_cast<std::ptrdiff_t>(orders.size() - kMaxBases);
  std::nth_element(orders.begin(), cut, orders.end());
  const std::uint64_t oldest_kept = *cut;
  std::erase_if(bases_, [&](const auto& entry) { return entry.second.order < oldest_kept; });
}

std::string WorkFileBases::Of(const std::string& work, const std::string& archive) const {
  auto found = bases_.find(work);
  if (found == bases_.end() || found->second.archive != archive) return "";
  return found->second.revision;
}

void WorkFileBases::Note(const std::string& work, const std::string& archive, const std::string& revision) {
  Base base{archive, revision, next_order_++};
  auto [found, added] = bases_.try_emplace(work, base);
  if (!added && found->second.archive == archive && found->second.revision == revision) {
    found->second.order = base.order;  // the file has it already
    return;
  }
  found->second = base;
  // Saving trims; an engine without a file only needs a bound.
  if (bases_.size() > 2 * kMaxBases) Trim();
  if (!path_.empty()) unsaved_.emplace_back(work, std::move(base));
}

std::string WorkFileBases::WholeText() const {
  std::vector<std::pair<const std::string*, const Base*>> in_order;
  in_order.reserve(bases_.size());
  for (const auto& [work, base] : bases_) in_order.emplace_back(&work, &base);
  std::sort(in_order.begin(), in_order.end(),
            [](const auto& a, const auto& b) { return a.second->order < b.second->order; });
  std::string text(kHeader);
  text += '\n';
  for (const auto& [work, base] : in_order) AppendLine(text, *work, base->archive, base->revision);
  return text;
}

void WorkFileBases::Save() {
  if (unsaved_.empty()) return;
  Refresh();
  Trim();
  bool written = false;
  std::int64_t expected_size = -1;
  if (well_formed_ && seen_ && lines_ + unsaved_.size() <= 2 * bases_.size() + kSpareLines) {
    // Adding lines costs a write; a new file renamed over the old makes the file system flush it.
    std::string lines;
    for (const auto& [work, base] : unsaved_) AppendLine(lines, work, base.archive, base.revision);
    written = AppendToFile(path_, lines);
    if (written) {
      lines_ += unsaved_.size();
      expected_size = seen_->size + static_cast<std::int64_t>(lines.size());
    }
  }
  if (!written) {
    written = ReplaceFile(path_, WholeText());
    well_formed_ = written;
    lines_ = bases_.size();
    expected_size = -1;
  }
  unsaved_.clear();
  // Tried once: every later command would only fail again.
  if (!written) {
    path_.clear();
    return;
  }
  seen_ = StatusOf(path_);
  // Lines another engine added meanwhile are read at the next refresh.
  if (expected_size >= 0 && seen_->size != expected_size) seen_.reset();
}

}  // namespace wnorb16::rcs
