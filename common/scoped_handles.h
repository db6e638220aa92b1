// Small owners that close what a function opened on every path out of it.
// Not copyable; Get() hands out the raw value, which stays owned.
#pragma once

#include <windows.h>

// A kernel handle: NULL and INVALID_HANDLE_VALUE both mean none, since the
// platform's calls report failure with one or the other.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() { Reset(nullptr); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    // For a call that hands back a new handle.
    HANDLE* Receive()
    {
        Reset(nullptr);
        return &handle_;
    }
    bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle)
    {
        if (Valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// An open registry key.
class ScopedRegKey {
public:
    explicit ScopedRegKey(HKEY key = nullptr) : key_(key) {}
    ~ScopedRegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    // For the calls that return the key through a pointer.
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_;
};

// A service control manager or service handle, closed through the given call
// (a test may hand in its own in place of the platform's).
class ScopedServiceHandle {
public:
    typedef BOOL(WINAPI* CloseCall)(SC_HANDLE handle);

    explicit ScopedServiceHandle(SC_HANDLE handle, CloseCall close = CloseServiceHandle)
        : handle_(handle), close_(close)
    {
    }
    ~ScopedServiceHandle() { Reset(nullptr); }
    ScopedServiceHandle(const ScopedServiceHandle&) = delete;
    ScopedServiceHandle& operator=(const ScopedServiceHandle&) = delete;

    SC_HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(SC_HANDLE handle)
    {
        if (handle_)
            close_(handle_);
        handle_ = handle;
    }

private:
    SC_HANDLE handle_;
    CloseCall close_;
};

// Memory the platform allocated for the caller to LocalFree (SIDs and
// security descriptors from the conversion and security calls).
template <typename Pointer>
class ScopedLocalMemory {
public:
    explicit ScopedLocalMemory(Pointer memory = nullptr) : memory_(memory) {}
    ~ScopedLocalMemory()
    {
        if (memory_)
            LocalFree(memory_);
    }
    ScopedLocalMemory(const ScopedLocalMemory&) = delete;
    ScopedLocalMemory& operator=(const ScopedLocalMemory&) = delete;

    Pointer* Receive() { return &memory_; }
    Pointer Get() const { return memory_; }

private:
    Pointer memory_;
};

// A GDI object selected into a device context; the one it replaced is put back.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The screen's device context, released on every path.
class ScopedScreenDC {
public:
    ScopedScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScopedScreenDC()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScopedScreenDC(const ScopedScreenDC&) = delete;
    ScopedScreenDC& operator=(const ScopedScreenDC&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// A library loaded by name for the calls an older system may lack; freed on every path.
class ScopedModule {
public:
    explicit ScopedModule(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~ScopedModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ScopedModule(const ScopedModule&) = delete;
    ScopedModule& operator=(const ScopedModule&) = delete;

    // The entry of that name, or null; cast by the caller to its type.
    void* Entry(const char* name) const
    {
        return module_ ? reinterpret_cast<void*>(GetProcAddress(module_, name)) : nullptr;
    }

private:
    HMODULE module_;
};
