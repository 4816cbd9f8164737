// rescomp: the resource compiler.
//
//   rescomp SOURCE -o BLOB       compile a resource source into a blob
//   rescomp SOURCE -o BLOB --resource NAME
//                                also check that the module key names the
//                                resource NAME ("DORN.vls$dorn008" names
//                                DORN008_RSC), as the build embeds it
//   rescomp --decode BLOB [-o SOURCE]   print a blob back as source
//   rescomp --check SOURCE       compile and verify that the blob reads back
//   rescomp SOURCE -o BLOB --fields HEADER
//                                also write the field-number constants of the
//                                source's named controls as a C++ header
//
// Errors go to standard error as "file:line: message" (sources) or
// "file: message" (blobs); the exit code is then 1 (2 for usage errors).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/lang/picture.h"
#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"
#include "runtime/ui/resfmt/window_record.h"

namespace {

namespace rf = dw::resfmt;

int usage() {
  std::cerr << "usage: rescomp SOURCE -o BLOB [--resource NAME] [--fields HEADER]\n"
               "       rescomp --decode BLOB [-o SOURCE]\n"
               "       rescomp --check SOURCE\n";
  return 2;
}

// Reads a whole file; on failure says why in `why`.
bool readFile(const std::string& path, std::string& out, std::string& why) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    why = "is a directory, not a file";
    return false;
  }
  why = "cannot read the file";
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  try {
    // The stream buffer throws when the system refuses a read.
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return false;
  }
  return !in.bad();
}

// Pictures as the runtime compiles them; the date pictures 19 and 20 exist
// for entry controls only and are checked as their display forms 1 and 2.
bool pictureValid(std::string_view picture) {
  std::string text(picture);
  if (text.size() >= 4 && (text[1] == 'd' || text[1] == 'D') && text[2] == '1' && text[3] == '9') {
    text.replace(2, 2, "1");
  } else if (text.size() >= 4 && (text[1] == 'd' || text[1] == 'D') && text[2] == '2' &&
             text[3] == '0') {
    text.replace(2, 2, "2");
  }
  return dw::lang::compilePicture(text).valid;
}

// The namespace of a module's field constants: "DORN.vls$dorn008" gives
// dw::app::dorn008.
std::string fieldNamespace(const std::string& key) {
  std::string name = key.substr(key.find('$') + 1);
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) c = '_';
  }
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name.insert(0, "m");
  return "dw::app::" + name;
}

bool writeFile(const std::string& path, const void* data, std::size_t size) {
  // Written beside the target and renamed, so that a failed run never
  // leaves half a blob for the build to embed.
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

// The resource name a module key is looked up under: the text after "$",
// upper-cased, with "_RSC" appended.
std::string resourceName(const std::string& key) {
  const std::size_t dollar = key.find('$');
  if (dollar == std::string::npos) return {};
  std::string name = key.substr(dollar + 1);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name + "_RSC";
}

int compile(const std::string& source, const std::string& output, bool checkOnly,
            const std::string& expectedName, const std::string& header) {
  std::string text, why;
  if (!readFile(source, text, why)) {
    std::cerr << source << ": " << why << "\n";
    return 1;
  }
  rf::CompileOptions options;
  options.pictureValid = pictureValid;
  rf::CompileResult r = rf::compileSource(text, source, options);
  if (!r.ok()) {
    std::cerr << r.error.text() << "\n";
    return 1;
  }
  if (!expectedName.empty() && resourceName(r.module->key) != expectedName) {
    std::cerr << source << ":1: module \"" << r.module->key
              << "\" would not be found as the resource " << expectedName << "\n";
    return 1;
  }
  const std::vector<std::uint8_t> blob = rf::writeModule(*r.module);
  const rf::ParseResult back = rf::parseModule(blob);
  if (!back.ok() || !(*back.module == *r.module)) {
    std::cerr << source << ": the blob does not read back as compiled"
              << (back.ok() ? "" : ": " + back.error.message) << "\n";
    return 1;
  }
  if (checkOnly) return 0;
  if (!header.empty()) {
    const std::string name = std::filesystem::path(source).filename().string();
    const std::string h = rf::fieldHeader(r.names, fieldNamespace(r.module->key), name);
    if (!writeFile(header, h.data(), h.size())) {
      std::cerr << header << ": cannot write the file\n";
      return 1;
    }
  }
  if (!writeFile(output, blob.data(), blob.size())) {
    std::cerr << output << ": cannot write the file\n";
    return 1;
  }
  return 0;
}

int decode(const std::string& blobPath, const std::string& output) {
  std::string bytes, why;
  if (!readFile(blobPath, bytes, why)) {
    std::cerr << blobPath << ": " << why << "\n";
    return 1;
  }
  const rf::ParseResult r =
      rf::parseModule({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  if (!r.ok()) {
    std::cerr << blobPath << ": " << r.error.message << "\n";
    return 1;
  }
  const std::string text = rf::printSource(*r.module);
  if (output.empty()) {
    std::cout << text;
    return std::cout.flush() ? 0 : 1;
  }
  if (!writeFile(output, text.data(), text.size())) {
    std::cerr << output << ": cannot write the file\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string input, output, expectedName, header;
  enum class Mode { Compile, Decode, Check } mode = Mode::Compile;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--decode") {
      mode = Mode::Decode;
    } else if (args[i] == "--check") {
      mode = Mode::Check;
    } else if (args[i] == "--resource" && i + 1 < args.size()) {
      expectedName = args[++i];
    } else if (args[i] == "--fields" && i + 1 < args.size()) {
      header = args[++i];
    } else if (args[i] == "-o" && i + 1 < args.size()) {
      output = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return usage();
    } else if (input.empty()) {
      input = args[i];
    } else {
      return usage();
    }
  }
  if (input.empty()) return usage();
  switch (mode) {
    case Mode::Decode:
      return decode(input, output);
    case Mode::Check:
      return compile(input, output, true, expectedName, header);
    case Mode::Compile:
      return output.empty() ? usage() : compile(input, output, false, expectedName, header);
  }
  return usage();
}
