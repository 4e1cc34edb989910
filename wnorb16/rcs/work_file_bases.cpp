#include "wnorb16/rcs/work_file_bases.hpp"

#include <algorithm>
#include <string_view>

#include "wnorb16/rcs/rcs_archive.hpp"

namespace wnorb16::rcs {

namespace {

// The first line; a file without it is not ours, or was damaged, and is taken as empty.
constexpr std::string_view kHeader = "WNORB16 work file bases 1";
// kMaxBases lines of two long paths each fit many times over; a larger file is not ours.
constexpr std::size_t kMaxFileBytes = 16 << 20;

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
  std::optional<FilePrefix> text = ReadFilePrefix(path_, kMaxFileBytes);
  std::string_view rest;
  if (text && text->whole && text->bytes.starts_with(std::string(kHeader) + "\n"))
    rest = std::string_view(text->bytes).substr(kHeader.size() + 1);
  // "<revision> TAB <archive> TAB <work file>", oldest note first; a line that is not is skipped.
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
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
  bases_.insert_or_assign(work, base);
  // Saving trims; an engine without a file only needs a bound.
  if (bases_.size() > 2 * kMaxBases) Trim();
  if (!path_.empty()) unsaved_.emplace_back(work, std::move(base));
}

void WorkFileBases::Save() {
  if (unsaved_.empty()) return;
  Refresh();
  Trim();
  std::vector<std::pair<const std::string*, const Base*>> in_order;
  in_order.reserve(bases_.size());
  for (const auto& [work, base] : bases_) in_order.emplace_back(&work, &base);
  std::sort(in_order.begin(), in_order.end(),
            [](const auto& a, const auto& b) { return a.second->order < b.second->order; });
  std::string text(kHeader);
  text += '\n';
  for (const auto& [work, base] : in_order) {
    text += base->revision;
    text += '\t';
    AppendEscaped(text, base->archive);
    text += '\t';
    AppendEscaped(text, *work);
    text += '\n';
  }
  unsaved_.clear();
  // Tried once: every later command would build the text again only to fail again.
  if (!ReplaceFile(path_, text)) {
    path_.clear();
    return;
  }
  seen_ = StatusOf(path_);
}

}  // namespace wnorb16::rcs
