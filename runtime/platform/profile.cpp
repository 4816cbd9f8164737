// The profile module: see profile.h for the file syntax and the rules.
//
// A file is read whole into a list of parsed lines, each remembering its
// exact text and line ending, so that a write can put back every line it
// did not mean to change byte for byte.
#include "runtime/platform/profile.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "runtime/platform/platform.h"

namespace dw::platform {

namespace {

enum class LineKind : std::uint8_t { Section, Entry, Other };

struct Line {
  std::string text;      // without its line ending
  std::string_view eol;  // "\n", "\r\n", or "\r" / "" (the last line); always a literal
  LineKind kind = LineKind::Other;
  std::string name;   // section name or key, trimmed
  std::string value;  // entry value, trimmed
};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

void classify(Line& line) {
  std::string t = trim(line.text);
  if (t.empty() || t[0] == ';') return;
  if (t[0] == '[') {
    auto close = t.find(']');
    line.kind = LineKind::Section;
    line.name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return;
  }
  auto eq = t.find('=');
  if (eq == std::string::npos || eq == 0) return;
  line.kind = LineKind::Entry;
  line.name = trim(t.substr(0, eq));
  line.value = trim(t.substr(eq + 1));
}

Line makeLine(std::string text, std::string_view eol) {
  Line line;
  line.text = std::move(text);
  line.eol = eol;
  classify(line);
  return line;
}

std::vector<Line> parse(const std::string& content) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    auto nl = content.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      // A last line that ends in a lone carriage return ends there: the
      // "\r" is its line ending, not part of its value, so that adding a
      // line after it (which completes the ending to "\r\n") reads the
      // same value.
      line.text = content.substr(pos);
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.eol = "\r";
      }
      pos = content.size();
    } else {
      std::size_t end = nl;
      line.eol = "\n";
      if (end > pos && content[end - 1] == '\r') {
        --end;
        line.eol = "\r\n";
      }
      line.text = content.substr(pos, end - pos);
      pos = nl + 1;
    }
    classify(line);
    lines.push_back(std::move(line));
  }
  return lines;
}

// The index of the first header of `section`, or lines.size().
std::size_t findSection(const std::vector<Line>& lines, const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == LineKind::Section && sameName(lines[i].name, section)) return i;
  return lines.size();
}

// One past the last line of the section whose header is at `header`.
std::size_t sectionEnd(const std::vector<Line>& lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
  return i;
}

std::size_t findKey(const std::vector<Line>& lines, std::size_t header, const std::string& key) {
  std::size_t end = sectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (lines[i].kind == LineKind::Entry && sameName(lines[i].name, key)) return i;
  return end;
}

// The whole file through the platform; nullopt when it cannot be read.
std::optional<std::string> readWhole(const std::string& path, Access access, OsError* error) {
  auto opened = platform().open(path, {access, Share::DenyNone}, Disposition::OpenExisting);
  if (!opened) {
    *error = opened.error();
    return std::nullopt;
  }
  File& f = **opened;
  auto size = f.size();
  if (!size || *size > kProfileFileMax) {
    *error = size ? kInvalidData : size.error();
    return std::nullopt;
  }
  std::string content(*size, '\0');
  auto got = f.readAt(0, content.data(), content.size());
  if (!got) {
    *error = got.error();
    return std::nullopt;
  }
  content.resize(*got);
  *error = kOk;
  return content;
}

// A UTF-8 byte-order mark at the start of a file is no part of its first
// line; it is taken off for parsing and put back when the file is written.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool takeByteOrderMark(std::string& content) {
  if (content.compare(0, kByteOrderMark.size(), kByteOrderMark) != 0) return false;
  content.erase(0, kByteOrderMark.size());
  return true;
}

bool hasLineBreak(const std::string& s) {
  return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool validName(const std::string& s, char forbidden) {
  return !trim(s).empty() && !hasLineBreak(s) && s.find(forbidden) == std::string::npos;
}

std::string_view defaultEol(const std::vector<Line>& lines) {
  for (const Line& l : lines)
    if (l.eol == "\n" || l.eol == "\r\n") return l.eol;
  return "\n";
}

// Before a line is added after the last one, the last one gets a whole
// line ending ("\r" alone becomes "\r\n").
void completeLastLine(std::vector<Line>& lines, std::string_view eol) {
  if (lines.empty()) return;
  if (lines.back().eol.empty()) lines.back().eol = eol;
  if (lines.back().eol == "\r") lines.back().eol = "\r\n";
}

// Applies the change to the parsed lines; false when nothing changes.
bool edit(std::vector<Line>& lines, const std::string& section,
          const std::optional<std::string>& key, const std::optional<std::string>& value) {
  std::size_t header = findSection(lines, section);
  bool haveSection = header < lines.size();
  if (!key) {
    if (!haveSection) return false;
    lines.erase(lines.begin() + header, lines.begin() + sectionEnd(lines, header));
    return true;
  }
  std::string entry = trim(*key) + "=" + (value ? *value : std::string());
  if (!value) {
    if (!haveSection) return false;
    std::size_t at = findKey(lines, header, *key);
    if (at == sectionEnd(lines, header)) return false;
    lines.erase(lines.begin() + at);
    return true;
  }
  std::string_view eol = defaultEol(lines);
  if (!haveSection) {
    if (!lines.empty()) {
      completeLastLine(lines, eol);
      lines.push_back(makeLine("", eol));
    }
    lines.push_back(makeLine("[" + section + "]", eol));
    lines.push_back(makeLine(entry, eol));
    return true;
  }
  std::size_t at = findKey(lines, header, *key);
  std::size_t end = sectionEnd(lines, header);
  if (at < end) {
    if (lines[at].value == *value) return false;
    lines[at].text = entry;
    return true;
  }
  // A new entry goes after the section's last entry (a comment or blank
  // line that leads into the next section stays with it).
  std::size_t insert = end;
  while (insert > header + 1 && lines[insert - 1].kind != LineKind::Entry) --insert;
  if (insert == lines.size()) completeLastLine(lines, eol);
  lines.insert(lines.begin() + insert, makeLine(entry, eol));
  return true;
}

// The name of a temporary file a writer makes beside `path`:
// "<path>.~<pid>-<n>".
std::string tempNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

// Removes the temporary files that writers of `path` left behind when they
// died in the middle of a write: those of processes that no longer exist,
// and our own (writes of this process are serialised, so none of ours is in
// use).  Called with the writer lock held.
void removeStaleTempFiles(const std::string& path) {
  auto slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".~";
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> stale;
  while (struct dirent* e = ::readdir(d)) {
    std::string_view name(e->d_name);
    if (name.substr(0, prefix.size()) != prefix) continue;
    std::string_view rest = name.substr(prefix.size());
    auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() ||
        rest.find_first_not_of("0123456789-") != std::string_view::npos)
      continue;
    long pid = std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10);
    bool gone = pid == ::getpid() || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
    if (gone) stale.push_back(dir + "/" + std::string(name));
  }
  ::closedir(d);
  for (const std::string& f : stale) (void)platform().remove(f);
}

// Writes the file over its old contents in place: for a file that may be
// written but whose directory may not (no temporary file can be made
// there).  Not atomic, but the only way such a file can change at all.
OsStatus writeInPlace(const std::string& path, const std::string& content) {
  auto opened = platform().open(path, {Access::Write, Share::DenyNone}, Disposition::OpenExisting);
  if (!opened) return OsStatus::failure(opened.error());
  File& f = **opened;
  OsStatus status = f.writeAt(0, content.data(), content.size());
  if (status) status = f.truncate(content.size());
  if (status) status = f.flush();
  return status;
}

// Writes `content` as the file at `path` (a real path, links resolved):
// beside it into a temporary file that takes the old file's permissions and
// owner, flushed, then renamed over it, so a crash leaves the old file or
// the new one.
OsStatus writeAtomically(const std::string& path, const std::string& content) {
  std::string temp = tempNameFor(path);
  Platform& p = platform();
  struct stat old {};
  bool existed = ::stat(path.c_str(), &old) == 0;
  OsStatus status;
  {
    auto opened = p.open(temp, {Access::Write, Share::DenyAll}, Disposition::CreateNew);
    if (!opened) {
      if (existed && (opened.error() == kAccessDenied || opened.error() == kWriteProtect))
        return writeInPlace(path, content);
      return OsStatus::failure(opened.error());
    }
    if (existed) {
      // Best effort: a file we may not give away keeps our ownership.
      (void)!::chown(temp.c_str(), old.st_uid, old.st_gid);
      (void)::chmod(temp.c_str(), old.st_mode & 07777);
    }
    File& f = **opened;
    status = f.writeAt(0, content.data(), content.size());
    if (status) status = f.flush();
  }
  if (status) status = p.replace(temp, path);
  if (!status) (void)p.remove(temp);
  return status;
}

// The file a path finally names, following symbolic links (also a dangling
// one, whose target is then created), so that writes go through a link
// instead of replacing it with a plain file.
std::string followLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(4096, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(n));
    if (target[0] != '/') {
      auto slash = path.rfind('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = target;
  }
  return path;
}

// A value written between a matching pair of double or single quotes reads
// without them, so that blanks at its ends can be kept; a lone or unmatched
// quote is part of the value.
std::string unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Serialises the writers of one file across processes: an exclusive lock
// on the first byte of "<file>.lock" beside it, held from before the file is
// read until its replacement is in place, so that no writer works from a
// copy that another is about to replace.  The lock file stays behind:
// removing it would let one writer lock the removed file while the next
// locks a new one.  The lock is best effort: when the lock file cannot be
// opened or locked (a read-only directory, another user's lock file, a file
// system without such locks) the write goes ahead unserialised, and the
// steps that follow report their own errors.  Null when not locked.
std::unique_ptr<File> lockForWriting(const std::string& path) {
  auto opened = platform().open(path + ".lock", {Access::ReadWrite, Share::DenyNone},
                                Disposition::OpenAlways);
  if (!opened) return nullptr;
  if (!(*opened)->lock(0, 1, LockKind::Exclusive, LockWait::Wait)) return nullptr;
  return std::move(*opened);
}

std::mutex& writeMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

std::string resolveProfilePath(const std::string& file) {
  if (file.find('/') != std::string::npos) return file;
  std::string dir = platform().profileDirectory();
  std::string exact = dir + "/" + file;
  if (platform().exists(exact)) return exact;
  if (DIR* d = ::opendir(dir.c_str())) {
    std::string found;
    while (struct dirent* e = ::readdir(d)) {
      if (sameName(e->d_name, file)) {
        found = dir + "/" + e->d_name;
        break;
      }
    }
    ::closedir(d);
    if (!found.empty()) return found;
  }
  return exact;
}

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& file) {
  std::string fallback = defaultValue;
  while (!fallback.empty() && isBlank(fallback.back())) fallback.pop_back();
  if (file.empty()) return fallback;
  OsError error = kOk;
  auto content = readWhole(resolveProfilePath(file), Access::Read, &error);
  if (!content) return fallback;
  takeByteOrderMark(*content);
  std::vector<Line> lines = parse(*content);
  std::size_t header = findSection(lines, trim(section));
  if (header == lines.size()) return fallback;
  std::size_t at = findKey(lines, header, trim(key));
  if (at == sectionEnd(lines, header)) return fallback;
  std::string value = lines[at].value;
  value = unquote(value.substr(0, value.find('\0')));
  if (value.size() > kProfileValueMax) value.resize(kProfileValueMax);
  return value;
}

OsStatus writeProfileString(const std::string& section, const std::optional<std::string>& key,
                            const std::optional<std::string>& value, const std::string& file) {
  if (file.empty() || file.find('\0') != std::string::npos || !validName(section, ']') ||
      (key && (!validName(*key, '=') || trim(*key)[0] == ';' || trim(*key)[0] == '[')) ||
      (value && hasLineBreak(*value)))
    return OsStatus::failure(kInvalidParameter);
  // Keys are matched trimmed, as reads match them (keys often come from
  // blank-padded variables).
  std::optional<std::string> trimmedKey;
  if (key) trimmedKey = trim(*key);
  std::lock_guard lock(writeMutex());
  std::string path = followLinks(resolveProfilePath(file));
  std::unique_ptr<File> writerLock = lockForWriting(path);  // released on return
  removeStaleTempFiles(path);
  OsError error = kOk;
  // Opened for writing, so that a read-only file is refused as it should be
  // (the rename that replaces it would not check).
  auto content = readWhole(path, Access::ReadWrite, &error);
  if (!content && error != kFileNotFound) return OsStatus::failure(error);
  if (!content && !value) return {};  // nothing to delete
  std::string text = content ? *content : std::string();
  bool bom = takeByteOrderMark(text);
  std::vector<Line> lines = parse(text);
  if (!edit(lines, trim(section), trimmedKey, value)) return {};
  std::string out(bom ? kByteOrderMark : std::string_view());
  for (const Line& l : lines) {
    out += l.text;
    out += l.eol;
  }
  return writeAtomically(path, out);
}

}  // namespace dw::platform
