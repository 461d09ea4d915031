#include <windows.h>

#include <string>

#include "ui/ui.h"

namespace ui {
namespace {

std::wstring Widen(UINT codePage, const char* text) {
  if (!text || !*text) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::string Narrow(UINT codePage, const wchar_t* text, int length) {
  if (!text || length == 0) return std::string();
  const int n = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text, length, &out[0], n, nullptr, nullptr);
  // A length of -1 counts the terminator as well.
  if (length < 0) out.resize(static_cast<size_t>(n - 1));
  return out;
}

}  // namespace

std::wstring WideFrom1252(const char* text) { return Widen(1252, text); }
std::string NarrowTo1252(const wchar_t* text, int length) { return Narrow(1252, text, length); }

bool NarrowTo1252Exactly(const wchar_t* text, int length, std::string* out) {
  // The way back tells: a best-fit letter ("l" for "\u0142") or "?" converts back to itself, not
  // to what was typed.
  std::wstring given = text ? (length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length)))
                            : std::wstring();
  *out = Narrow(1252, given.c_str(), static_cast<int>(given.size()));
  if (Widen(1252, out->c_str()) == given) return true;
  out->clear();
  return false;
}
std::wstring WideFromSystem(const char* text) { return Widen(CP_ACP, text); }
std::string NarrowToSystem(const wchar_t* text) { return Narrow(CP_ACP, text, -1); }

}  // namespace ui
