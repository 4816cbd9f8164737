// The environment file loader (see env_file.h).
//
// Values are cut to 255 characters and keys to 31, as the file's fixed
// fields hold them; an item list never grows a table beyond its size (12
// month names, 16 digraphs).
#include "runtime/lang/env_file.h"

#include <iconv.h>

#include <filesystem>
#include <vector>

#include "runtime/lang/chartab.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/intl.h"
#include "runtime/platform/platform.h"

namespace dw::lang {
namespace {

constexpr std::size_t kKeyMax = 31;
constexpr std::size_t kValueMax = 255;
constexpr int kFirstButtonMessage = 32512;
constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kFileMax = 1u << 20;

bool g_oemValues = false;

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

std::string_view trimBlanks(std::string_view s) {
  std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string_view::npos) return {};
  std::size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// The items of a comma-separated list; quoted items keep their commas and
// blanks, unquoted ones lose surrounding blanks.
std::vector<std::string> splitItems(std::string_view value) {
  std::vector<std::string> items;
  std::size_t i = 0;
  while (i <= value.size()) {
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    std::string item;
    if (i < value.size() && value[i] == '"') {
      std::size_t close = value.find('"', i + 1);
      if (close == std::string_view::npos) close = value.size();
      item = std::string(value.substr(i + 1, close - i - 1));
      i = close + 1;
      std::size_t comma = value.find(',', std::min(i, value.size()));
      i = comma == std::string_view::npos ? value.size() + 1 : comma + 1;
    } else {
      std::size_t comma = value.find(',', i);
      std::size_t end = comma == std::string_view::npos ? value.size() : comma;
      item =
          std::string(trimBlanks(value.substr(std::min(i, value.size()), end - std::min(i, end))));
      i = end + 1;
    }
    items.push_back(std::move(item));
  }
  return items;
}

// OEM (code page 850) to the Windows Latin set; unconvertible bytes stay.
std::string fromOem(std::string_view text) {
  iconv_t cd = iconv_open("WINDOWS-1252//TRANSLIT", "CP850");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  for (char c : text) {
    char in[1] = {c};
    char conv[8];
    char* ip = in;
    char* op = conv;
    std::size_t il = 1;
    std::size_t ol = sizeof conv;
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || op == conv) {
      out.push_back(c);
    } else {
      out.append(conv, static_cast<std::size_t>(op - conv));
    }
  }
  iconv_close(cd);
  return out;
}

bool isWindows(std::string_view value) {
  return upperAscii(trimBlanks(value)) == "WINDOWS";
}

void applyAmPm(std::string_view value) {
  if (isWindows(value)) {
    setAmPmMarkers(intlSettings().s1159, intlSettings().s2359);
    return;
  }
  std::vector<std::string> items = splitItems(value);
  setAmPmMarkers(items[0], items.size() > 1 ? items[1] : pmMarker());
}

void applyCase(std::string_view value) {
  if (isWindows(value)) {
    usePlatformCasePairs();
    return;
  }
  std::vector<std::string> items = splitItems(value);
  if (items.size() >= 2) addCasePairs(items[0], items[1]);
}

void applyCollation(std::string_view value) {
  if (isWindows(value)) {
    usePlatformCollation();
    return;
  }
  std::string order;
  for (const std::string& item : splitItems(value)) order += item;
  setCollationOrder(order);
}

void applyMessage(std::string_view number, std::string_view value) {
  if (number.empty() || number.size() > 9 ||
      number.find_first_not_of("0123456789") != std::string_view::npos) {
    return;
  }
  std::string_view text = trimBlanks(value);
  std::string message = !text.empty() && text[0] == '"' ? splitItems(text)[0] : std::string(text);
  setMessageOverride(std::stoi(std::string(number)), message);
}

}  // namespace

void applyEnvironmentSetting(std::string_view rawKey, std::string_view rawValue) {
  std::string key;
  for (char c : rawKey) {
    if (c != ' ' && c != '\t') key.push_back(c);
  }
  key = upperAscii(key.substr(0, kKeyMax));
  std::string value(rawValue.substr(0, kValueMax));
  std::size_t end = value.find_last_not_of(" \t\r");
  value.resize(end == std::string::npos ? 0 : end + 1);
  if (g_oemValues) value = fromOem(value);

  if (key == "VELCHARSET") {
    g_oemValues = upperAscii(trimBlanks(value)) == "OEM";
  } else if (key == "VELCOLSEQ") {
    applyCollation(value);
  } else if (key == "VELCASE") {
    applyCase(value);
  } else if (key == "VELMONTH" || key == "VELMON") {
    std::vector<std::string> items = splitItems(value);
    for (std::size_t m = 0; m < items.size() && m < 12; ++m) {
      if (items[m].empty()) continue;
      if (key == "VELMONTH") {
        setMonthName(static_cast<int>(m + 1), items[m]);
      } else {
        setMonthAbbreviation(static_cast<int>(m + 1), items[m]);
      }
    }
  } else if (key == "VELAMPM") {
    applyAmPm(value);
  } else if (key == "VELDIGRAPH") {
    for (const std::string& item : splitItems(value)) addDigraph(item);
  } else if (key == "VELBUTTON") {
    std::vector<std::string> items = splitItems(value);
    for (std::size_t i = 0; i < items.size(); ++i) {
      setMessageOverride(kFirstButtonMessage + static_cast<int>(i), items[i]);
    }
  } else if (key.rfind("VELMSG", 0) == 0) {
    applyMessage(std::string_view(key).substr(6), value);
  }
}

bool loadEnvironmentFile(const std::string& path) {
  g_oemValues = false;
  if (upperAscii(path) == "WINDOWS") {
    applyEnvironmentSetting("VELCOLSEQ", "WINDOWS");
    applyEnvironmentSetting("VELCASE", "WINDOWS");
    applyEnvironmentSetting("VELAMPM", "WINDOWS");
    return true;
  }
  auto file = platform::platform().open(path, {platform::Access::Read, platform::Share::DenyNone},
                                        platform::Disposition::OpenExisting);
  std::string content;
  bool readable = file.ok();
  if (readable) {
    // Reads up to kFileMax bytes; an environment file is a few lines.
    content.resize(kFileMax);
    auto n = file.value()->readAt(0, content.data(), content.size());
    readable = n.ok();
    content.resize(readable ? n.value() : 0);
  }
  if (!readable) {
    postError(err::kFileNotFound);
    return false;
  }
  if (std::size_t z = content.find(kCtrlZ); z != std::string::npos) content.resize(z);

  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + pos, end - pos);
    pos = end + 1;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    applyEnvironmentSetting(line.substr(0, eq), line.substr(eq + 1));
  }
  g_oemValues = false;
  return true;
}

std::string environmentFilePath() {
  std::filesystem::path exe = platform::platform().executablePath();
  std::filesystem::path upperName = exe.parent_path() / (exe.stem().string() + ".ENV");
  std::filesystem::path lowerName = exe.parent_path() / (exe.stem().string() + ".env");
  std::error_code ec;
  if (!std::filesystem::exists(upperName, ec) && std::filesystem::exists(lowerName, ec)) {
    return lowerName.string();
  }
  return upperName.string();
}

void startLanguageRuntime() {
  loadIntlSettings();
  loadEnvironmentFile(environmentFilePath());
}

}  // namespace dw::lang
