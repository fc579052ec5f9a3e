#include "platform/win32/trash_win32.h"

#include <optional>

#include "platform/win32/win32_api.h"

// After windows.h: the shell's file operation and its progress sink.
#include <shellapi.h>
#include <shobjidl.h>

namespace quarlo::platform::win32 {

namespace {

std::optional<std::wstring> wide(const std::string& utf8) {
    const int length = static_cast<int>(utf8.size());
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, out.data(), n);
    return out;
}

// The shell recycles only what it is given by its full name: a relative one
// it may delete outright.
std::optional<std::wstring> fullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) {
        return std::nullopt;
    }
    std::wstring out(n, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (got == 0 || got >= n) {
        return std::nullopt;
    }
    out.resize(got);
    return out;
}

// Whether the file is there and nothing holds it open against its going: the
// shell stops at the first file it cannot move, after moving those before it,
// so what can be known beforehand is asked beforehand.
bool movable(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    HANDLE h =
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(h);
    return true;
}

// Watches each deletion: one the shell would make outright, past the
// Recycle Bin, is refused before it happens.
class RecycleOnly final : public IFileOperationProgressSink {
  public:
    bool refused = false;
    bool failed = false;

    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem*) override {
        if ((flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) == 0) {
            refused = true;
            return HRESULT_FROM_WIN32(ERROR_CANCELLED);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT result,
                                             IShellItem*) override {
        failed = failed || FAILED(result);
        return S_OK;
    }

    // Lives on the caller's stack for the one operation it watches.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFileOperationProgressSink)) {
            *out = static_cast<IFileOperationProgressSink*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT,
                                             IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                          IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }
};

template <typename T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }

  private:
    T* p_ = nullptr;
};

// COM for this thread for as long as it lives; a thread already in another
// apartment keeps it and is not left.
class ComScope {
  public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT hr_;
};

// nullopt where this system's shell has no such operation (Wine's does not
// perform one), so that the older call is tried before anything has moved.
std::optional<TrashOutcome> throughFileOperation(const std::vector<std::wstring>& paths) {
    ComScope com;
    if (!com.usable()) {
        return std::nullopt;
    }
    Com<IFileOperation> op;
    if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                reinterpret_cast<void**>(op.out())))) {
        return std::nullopt;
    }
    if (FAILED(op->SetOperationFlags(FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT |
                                     FOF_NOERRORUI | FOFX_RECYCLEONDELETE | FOFX_EARLYFAILURE))) {
        return std::nullopt;
    }
    RecycleOnly sink;
    DWORD cookie = 0;
    if (FAILED(op->Advise(&sink, &cookie))) {
        return std::nullopt;
    }
    std::optional<TrashOutcome> outcome;
    bool queued = true;
    for (const std::wstring& path : paths) {
        Com<IShellItem> item;
        if (FAILED(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem,
                                               reinterpret_cast<void**>(item.out()))) ||
            FAILED(op->DeleteItem(item.get(), nullptr))) {
            queued = false;
            break;
        }
    }
    if (queued) {
        const HRESULT hr = op->PerformOperations();
        BOOL aborted = FALSE;
        if (hr == E_NOTIMPL) {
            // Nothing was done.
        } else if (sink.refused) {
            outcome = TrashOutcome::unavailable;
        } else if (FAILED(hr) || sink.failed || FAILED(op->GetAnyOperationsAborted(&aborted)) ||
                   aborted) {
            outcome = TrashOutcome::failed;
        } else {
            outcome = TrashOutcome::done;
        }
    }
    op->Unadvise(cookie);
    return outcome;
}

TrashOutcome throughFileOperationW(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) {
        list += path;
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    // Silent, except that the shell asks before destroying a file it cannot
    // recycle; a "no" there is what aborts.
    op.fFlags =
        FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_WANTNUKEWARNING;
    const int result = SHFileOperationW(&op);
    if (op.fAnyOperationsAborted) {
        return TrashOutcome::unavailable;
    }
    return result == 0 ? TrashOutcome::done : TrashOutcome::failed;
}

}  // namespace

TrashResult Win32Trash::moveToTrash(const std::vector<std::string>& paths) {
    std::vector<std::wstring> full;
    for (const std::string& given : paths) {
        const auto name = wide(given);
        const auto path = name && !name->empty() ? fullPath(*name) : std::nullopt;
        if (!path || !movable(*path)) {
            return TrashResult{TrashOutcome::failed, {}};
        }
        full.push_back(*path);
    }
    if (full.empty()) {
        return TrashResult{TrashOutcome::done, {}};
    }
    std::optional<TrashOutcome> outcome = throughFileOperation(full);
    if (!outcome) {
        outcome = throughFileOperationW(full);
    }
    // What is gone went to the Recycle Bin (a deletion past it is refused
    // before it happens): the shell may stop part way, so each file is
    // looked for, whatever it said.
    TrashResult result{*outcome, {}};
    bool allGone = true;
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (GetFileAttributesW(full[i].c_str()) == INVALID_FILE_ATTRIBUTES) {
            result.inTrash.push_back(paths[i]);
        } else {
            allGone = false;
        }
    }
    if (result.outcome == TrashOutcome::done && !allGone) {
        result.outcome = TrashOutcome::failed;
    } else if (result.outcome != TrashOutcome::done && allGone) {
        result.outcome = TrashOutcome::done;
    }
    return result;
}

}  // namespace quarlo::platform::win32
