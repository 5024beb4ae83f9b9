// Owners for every kind of Win32 handle the program holds: one small RAII type per kind.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

// Closes its handle when it goes out of scope. Traits give the handle type, the value (or
// values) that mean "none" and the call that closes it.
template <class Traits> class UniqueOwner {
  public:
    using Handle = typename Traits::Handle;

    UniqueOwner() noexcept = default;
    explicit UniqueOwner(Handle handle) noexcept : handle_(handle) {}
    ~UniqueOwner() { Reset(); }
    UniqueOwner(UniqueOwner&& other) noexcept : handle_(other.Release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::IsValid(handle_); }

    Handle Release() noexcept { return std::exchange(handle_, Traits::None()); }
    void Reset(Handle handle = Traits::None()) noexcept {
        Handle old = std::exchange(handle_, handle);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    // For functions that return a handle through a pointer argument.
    Handle* Put() noexcept {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_ = Traits::None();
};

template <class H, class Closer> struct NullIsNoneTraits {
    using Handle = H;
    static Handle None() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { Closer{}(h); }
};

// Kernel handles: files report failure as INVALID_HANDLE_VALUE, most others as NULL.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
using KernelHandle = UniqueOwner<KernelHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle None() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};
using FindHandle = UniqueOwner<FindHandleTraits>;

struct RegCloser {
    void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
using RegKey = UniqueOwner<NullIsNoneTraits<HKEY, RegCloser>>;

template <class T> struct GdiCloser {
    void operator()(T object) const noexcept { ::DeleteObject(object); }
};
template <class T> using GdiObject = UniqueOwner<NullIsNoneTraits<T, GdiCloser<T>>>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

struct DCDeleter {
    void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
// A device context of our own making (CreateCompatibleDC), not one borrowed from a window.
using MemoryDC = UniqueOwner<NullIsNoneTraits<HDC, DCDeleter>>;

struct IconCloser {
    void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
using Icon = UniqueOwner<NullIsNoneTraits<HICON, IconCloser>>;

struct MenuCloser {
    void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using MenuHandle = UniqueOwner<NullIsNoneTraits<HMENU, MenuCloser>>;

struct ModuleCloser {
    void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
};
using Module = UniqueOwner<NullIsNoneTraits<HMODULE, ModuleCloser>>;

struct ImageListCloser {
    void operator()(HIMAGELIST list) const noexcept { ::ImageList_Destroy(list); }
};
using ImageList = UniqueOwner<NullIsNoneTraits<HIMAGELIST, ImageListCloser>>;

struct AcceleratorCloser {
    void operator()(HACCEL table) const noexcept { ::DestroyAcceleratorTable(table); }
};
using AcceleratorTable = UniqueOwner<NullIsNoneTraits<HACCEL, AcceleratorCloser>>;

struct EnhMetaFileCloser {
    void operator()(HENHMETAFILE file) const noexcept { ::DeleteEnhMetaFile(file); }
};
using EnhMetaFile = UniqueOwner<NullIsNoneTraits<HENHMETAFILE, EnhMetaFileCloser>>;

struct WindowCloser {
    void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};
// A window that its owner destroys (child windows usually go with their parent instead).
using OwnedWindow = UniqueOwner<NullIsNoneTraits<HWND, WindowCloser>>;

struct MappedViewCloser {
    void operator()(void* view) const noexcept { ::UnmapViewOfFile(view); }
};
using MappedView = UniqueOwner<NullIsNoneTraits<void*, MappedViewCloser>>;

struct CoTaskMemCloser {
    void operator()(void* memory) const noexcept { ::CoTaskMemFree(memory); }
};
template <class T> using CoTaskMem = UniqueOwner<NullIsNoneTraits<T*, CoTaskMemCloser>>;

// A COM interface pointer that releases its reference.
template <class T> class ComPtr {
  public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* pointer) noexcept : pointer_(pointer) {} // takes over a reference
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    T** Put() noexcept {
        Reset();
        return &pointer_;
    }
    void Reset() noexcept {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

  private:
    T* pointer_ = nullptr;
};

// A critical section and its scoped lock.
class CriticalSection {
  public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() noexcept { ::EnterCriticalSection(&section_); }
    // Enters only when no other thread holds it: for a thread that must never wait for it.
    bool TryEnter() noexcept { return ::TryEnterCriticalSection(&section_) != FALSE; }
    void Leave() noexcept { ::LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

class ScopedLock {
  public:
    explicit ScopedLock(CriticalSection& section) noexcept : section_(section) { section_.Enter(); }
    ~ScopedLock() { section_.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    CriticalSection& section_;
};

// A device context borrowed from a window with GetDC, given back with ReleaseDC.
class WindowDC {
  public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint ... EndPaint.
class PaintScope {
  public:
    explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const noexcept { return dc_; }
    const RECT& Area() const noexcept { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back.
class SelectionScope {
  public:
    SelectionScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectionScope() { ::SelectObject(dc_, old_); }
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};
