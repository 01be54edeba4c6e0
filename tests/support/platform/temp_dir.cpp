#include "support/platform/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base && base[0] == '/') ? base : "/tmp";
    pattern += "/faxrcp-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        throw std::runtime_error("cannot create a temporary folder from " + pattern);
    }
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
    return path_ + "/" + name;
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path p = file(name);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + p.string());
    }
    return p.string();
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

ScopedEnv::ScopedEnv(std::string name) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        hadValue_ = true;
        oldValue_ = old;
    }
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name)) {
    ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv ScopedEnv::unset(std::string name) {
    ScopedEnv env(std::move(name));
    ::unsetenv(env.name_.c_str());
    return env;
}

ScopedEnv::ScopedEnv(ScopedEnv&& other) noexcept
    : name_(std::move(other.name_)), hadValue_(other.hadValue_),
      oldValue_(std::move(other.oldValue_)), active_(other.active_) {
    other.active_ = false;
}

ScopedEnv::~ScopedEnv() {
    if (!active_) {
        return;
    }
    if (hadValue_) {
        ::setenv(name_.c_str(), oldValue_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}
