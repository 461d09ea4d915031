// Drop targets for program windows. A drop is only recorded and queued: the
// source process waits until Drop returns, and what the program does with the
// files (a password prompt, a dialog) must not keep it waiting.
#include "ui/file_drop.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <utility>

#include "ui/events.h"
#include "ui/system_library.h"
#include "ui/ui.h"

namespace ui {
namespace {

// The shell's and OLE's functions, from the system folder at first use (see
// system_library.h): drops are accepted only once the main window is on
// screen, and linked, both libraries would load before its first paint.
struct DropFunctions {
  decltype(&::DragQueryFileA) queryFile = SystemFunction<decltype(&::DragQueryFileA)>("shell32.dll", "DragQueryFileA");
  decltype(&::DragAcceptFiles) acceptFiles =
      SystemFunction<decltype(&::DragAcceptFiles)>("shell32.dll", "DragAcceptFiles");
  decltype(&::DragFinish) finish = SystemFunction<decltype(&::DragFinish)>("shell32.dll", "DragFinish");
  decltype(&::OleInitialize) oleInitialize = SystemFunction<decltype(&::OleInitialize)>("ole32.dll", "OleInitialize");
  decltype(&::RegisterDragDrop) registerTarget =
      SystemFunction<decltype(&::RegisterDragDrop)>("ole32.dll", "RegisterDragDrop");
  decltype(&::RevokeDragDrop) revokeTarget = SystemFunction<decltype(&::RevokeDragDrop)>("ole32.dll", "RevokeDragDrop");
  decltype(&::ReleaseStgMedium) releaseMedium =
      SystemFunction<decltype(&::ReleaseStgMedium)>("ole32.dll", "ReleaseStgMedium");
  bool Shell() const { return queryFile && acceptFiles && finish; }
  bool Ole() const { return oleInitialize && registerTarget && revokeTarget && releaseMedium; }
};

const DropFunctions& Api() {
  static const DropFunctions functions;
  return functions;
}

std::vector<std::string> gDropped;
std::vector<std::pair<HWND, IDropTarget*>> gTargets;
bool gOleReady = false;

FORMATETC FileListFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

std::vector<std::string> NamesOf(HDROP drop) {
  std::vector<std::string> names;
  if (!Api().Shell()) return names;
  const UINT count = Api().queryFile(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = Api().queryFile(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::string name(length + 1, '\0');
    name.resize(Api().queryFile(drop, i, &name[0], length + 1));
    names.push_back(name);
  }
  return names;
}

// A disabled window (a password prompt in front of it) takes nothing.
bool Accepting(HWND window) { return IsWindow(window) && IsWindowEnabled(window); }

void Deliver(HWND window, std::vector<std::string> names) {
  if (names.empty()) return;
  gDropped = std::move(names);
  PostMessageA(window, kMsgFilesDropped, 0, 0);
}

// The files stay where they are, so the source must never take a drop here
// for a move (it would delete them): a link where offered, else a copy.
DWORD EffectFor(DWORD allowed) {
  if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  return DROPEFFECT_NONE;
}

class DropTarget : public IDropTarget {
 public:
  explicit DropTarget(HWND window) : window_(window) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format = FileListFormat();
    hasFiles_ = data && data->QueryGetData(&format) == S_OK;
    return DragOver(0, POINTL{0, 0}, effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    *effect = hasFiles_ && Accepting(window_) ? EffectFor(*effect) : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    hasFiles_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    const DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    hasFiles_ = false;
    if (!data || !Accepting(window_)) return S_OK;
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return S_OK;
    std::vector<std::string> names;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) names = NamesOf(static_cast<HDROP>(medium.hGlobal));
    Api().releaseMedium(&medium);
    if (names.empty()) return S_OK;
    *effect = EffectFor(allowed);
    Deliver(window_, std::move(names));
    return S_OK;
  }

 private:
  virtual ~DropTarget() = default;
  HWND window_;
  LONG refs_ = 1;
  bool hasFiles_ = false;
};

}  // namespace

int AcceptFileDrops(int windowNumber) {
  HWND window = WindowHandle(windowNumber);
  if (!window) return 0;
  for (const auto& t : gTargets)
    if (t.first == window) return 1;
  // Drops from sources that do not speak OLE arrive as WM_DROPFILES.
  if (Api().Shell()) Api().acceptFiles(window, TRUE);
  if (!gOleReady) gOleReady = Api().Ole() && SUCCEEDED(Api().oleInitialize(nullptr));
  if (!gOleReady) return 1;
  auto* target = new DropTarget(window);
  if (FAILED(Api().registerTarget(window, target))) {
    target->Release();
    return 1;
  }
  gTargets.emplace_back(window, target);
  return 1;
}

std::vector<std::string> TakeDroppedFiles() { return std::exchange(gDropped, {}); }

void TakeDropMessage(HWND window, HDROP drop) {
  std::vector<std::string> names = NamesOf(drop);
  if (Api().Shell()) Api().finish(drop);
  if (Accepting(window)) Deliver(window, std::move(names));
}

void FileDropShutdown() {
  for (auto& t : gTargets) {
    if (IsWindow(t.first)) Api().revokeTarget(t.first);
    t.second->Release();
  }
  gTargets.clear();
  gDropped.clear();
}

}  // namespace ui
