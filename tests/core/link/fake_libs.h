#pragma once
// The fake run-time libraries built by tests/core/link/CMakeLists.txt, and a way
// to make one of their folders the program's directory.
#include <dlfcn.h>

#include <string>

#include "platform/device.h"
#include "platform/library.h"
#include "platform/program.h"

namespace fakes {

// "full", "partial", "older", "vexlink", "noacquire", "norelease" or "empty".
inline std::string Folder(const std::string& variant) {
    return std::string(FAXRCP_FAKE_LIB_DIR) + "/" + variant;
}

// The program now "runs" from that folder, so "NAME.dll" is looked up there.
inline void UseProgramFolder(const std::string& variant) {
    platform::SetModuleFileNameForTests(Folder(variant) + "/faxrcp");
}

// Whether the program finds no library of that name ("tirusb.dll") where it
// looks. A test of a missing library checks this first: the system search
// after the program's folder may find a library installed elsewhere.
inline bool Absent(const std::string& name) {
    platform::LibraryHandle found = platform::LoadLibrary(name);
    if (found) {
        platform::FreeLibrary(found);
    }
    return found == nullptr;
}

// The test's own reference on a fake library: it keeps the library (and the
// answers set in it) loaded while the program loads and unloads it.
class Library {
  public:
    Library(const std::string& variant, const std::string& name)
        : path_(Folder(variant) + "/lib" + name + ".so"),
          handle_(dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle_) {
            dlclose(handle_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }

    template <typename Fn> Fn get(const char* name) const {
        return reinterpret_cast<Fn>(handle_ ? dlsym(handle_, name) : nullptr);
    }

    // Whether anyone besides this object still holds the library.
    bool heldElsewhere() {
        if (handle_) {
            dlclose(handle_);
            handle_ = nullptr;
        }
        void* probe = dlopen(path_.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (probe) {
            dlclose(probe);
        }
        return probe != nullptr;
    }

  private:
    std::string path_;
    void* handle_;
};

// The arbitration fake (fake_vexlink.c).
struct Vexlink {
    explicit Vexlink(const std::string& variant) : lib(variant, "vexlink") {}
    void set(int acquire, int release) {
        if (auto f = lib.get<void (*)(int, int)>("FakeVexlinkSet")) {
            f(acquire, release);
        }
    }
    int acquireCalls() const { return call("FakeVexlinkAcquireCalls"); }
    int releaseCalls() const { return call("FakeVexlinkReleaseCalls"); }
    int lastId() const { return call("FakeVexlinkLastId"); }
    int call(const char* name) const {
        auto f = lib.get<int (*)()>(name);
        return f ? f() : -100;
    }
    Library lib;
};

// The USB fakes (fake_usb.c): "tirusb" or "tiropen".
struct Usb {
    using WriteHandler = int (*)(const unsigned char*, int);
    using ReadHandler = int (*)(unsigned char*, int);
    Usb(const std::string& variant, const std::string& name) : lib(variant, name) {}
    void set(const char* portName, WriteHandler onWrite = nullptr, ReadHandler onRead = nullptr) {
        if (auto f = lib.get<void (*)(const char*, WriteHandler, ReadHandler)>("FakeUsbSet")) {
            f(portName, onWrite, onRead);
        }
    }
    int nameCalls() const {
        auto f = lib.get<int (*)()>("FakeUsbNameCalls");
        return f ? f() : -100;
    }
    // What ListControlPorts gives: "name\tmaker\tmodel\tserial\n" lines and a count.
    void setList(const char* lines, int count) {
        if (auto f = lib.get<void (*)(const char*, int)>("FakeUsbSetList")) {
            f(lines, count);
        }
    }
    int selectCalls() const {
        auto f = lib.get<int (*)()>("FakeUsbSelectCalls");
        return f ? f() : -100;
    }
    // The name GetControlPortName gives now (a selection changes it).
    std::string currentName() const {
        auto f = lib.get<const char* (*)()>("FakeUsbName");
        return f ? f() : "";
    }
    Library lib;
};

// Transfer handlers for Usb::set that move bytes through the device the fake
// names now, as the real library follows its selection.
inline Usb* namingUsb = nullptr;

inline int WriteToNamed(const unsigned char* buffer, int count) {
    auto device = platform::OpenDevice(namingUsb->currentName(), {.write = true, .shared = true});
    const long r = device ? device->write(buffer, size_t(count)) : 0;
    return r < 0 ? 0 : int(r);
}

inline int ReadFromNamed(unsigned char* buffer, int count) {
    auto device = platform::OpenDevice(namingUsb->currentName(), {.read = true, .shared = true});
    const long r = device ? device->read(buffer, size_t(count)) : 0;
    return r < 0 ? 0 : int(r);
}

} // namespace fakes
