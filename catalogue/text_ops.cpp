#include "catalogue/text_ops.h"

#include <unordered_map>

namespace catalogue {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string AsciiLower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool MatchesAt(const std::string& source, size_t at, const std::string& text) {
  if (source.size() - at < text.size()) return false;
  for (size_t k = 0; k < text.size(); ++k)
    if (AsciiLower(source[at + k]) != AsciiLower(text[k])) return false;
  return true;
}

// Shown in front of shortened paths so the user sees that something was cut.
const char kEllipsis[] = "...";
const char kApplicationsFolder[] = "\\Applications";

}  // namespace

std::string PathPart(const std::string& path) {
  const size_t begin = !path.empty() && path[0] == '"' ? 1 : 0;
  size_t end = path.find('|', begin);
  if (end == std::string::npos) end = path.size();
  size_t last = std::string::npos;
  for (size_t i = begin; i < end; ++i)
    if (IsSeparator(path[i])) last = i;
  if (last == std::string::npos) return std::string();
  return path.substr(begin, last + 1 - begin);
}

std::string FilePart(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  size_t begin;
  if (separator != std::string::npos)
    begin = separator + 1;
  else
    begin = !path.empty() && path[0] == '"' ? 1 : 0;
  const size_t quote = path.find('"', begin);
  return path.substr(begin, quote == std::string::npos ? std::string::npos : quote - begin);
}

CaseRules::CaseRules() {
  for (int b = 0; b < 256; ++b) lower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
}

const CaseRules& Windows1252Rules() {
  static const CaseRules rules = [] {
    CaseRules r;
    for (int b = 0xC0; b <= 0xDE; ++b)
      if (b != 0xD7) r.lower[b] = static_cast<unsigned char>(b + 32);
    r.lower[0x8A] = 0x9A;
    r.lower[0x8C] = 0x9C;
    r.lower[0x8E] = 0x9E;
    r.lower[0x9F] = 0xFF;
    return r;
  }();
  return rules;
}

std::string LowerCase(const std::string& text, const CaseRules& rules) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (rules.lead[b]) {
      ++i;  // the second byte belongs to the character
      continue;
    }
    out[i] = static_cast<char>(rules.lower[b]);
  }
  return out;
}

std::string LowerCase1252(const std::string& text) { return LowerCase(text, Windows1252Rules()); }

std::string RemoveText(const std::string& source, const std::string& text) {
  // With nothing to remove every position would match an empty text and the
  // scan could never advance; the source is simply kept.
  if (text.empty()) return source;
  std::string out;
  out.reserve(source.size());
  size_t i = 0;
  while (i < source.size()) {
    if (MatchesAt(source, i, text)) {
      i += text.size();
    } else {
      out += source[i++];
    }
  }
  return out;
}

std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return std::string();
  if (path.find_first_of("\\/", dot + 1) != std::string::npos) return std::string();
  return path.substr(dot + 1);
}

bool IsProgramFile(const std::string& path) {
  const std::string extension = LowerCase1252(Extension(path));
  return extension == "exe" || extension == "com" || extension == "bat";
}

std::string NameFromFile(const std::string& path) {
  const std::string file = FilePart(path);
  const size_t dot = file.rfind('.');
  return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

std::string ProgramLongForm(const AppEntry& entry, const std::string& programDrive) {
  return kEllipsis + RemoveText(entry.Folder + entry.FileName, programDrive);
}

std::string ProgramOpeningForm(const AppEntry& entry, const std::string& programDrive) {
  return kEllipsis + RemoveText(entry.Folder + entry.FileName, programDrive + kApplicationsFolder);
}

std::string IconOpeningForm(const AppEntry& entry, const std::string& programDrive) {
  return kEllipsis + RemoveText(entry.IconFile, programDrive + kApplicationsFolder);
}

std::string IconShortForm(const AppEntry& entry) { return FilePart(entry.IconFile); }

std::vector<std::pair<int, int>> NameClashes(const Catalogue& catalogue) {
  std::vector<std::pair<int, int>> clashes;
  std::unordered_map<std::string, int> firstByName;
  for (int j = 0; j < catalogue.Count(); ++j) {
    const auto inserted = firstByName.emplace(AsciiLower(catalogue.At(j).Name), j);
    if (!inserted.second) clashes.emplace_back(inserted.first->second, j);
  }
  return clashes;
}

}  // namespace catalogue
