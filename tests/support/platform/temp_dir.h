#pragma once
#include <string>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when
// the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string file(const std::string& name) const;
    // Writes bytes to a file in the folder (creating sub-folders); returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // The whole content of a file in the folder; empty when it does not exist.
    std::string read(const std::string& name) const;

  private:
    std::string path_;
};

// Sets (or, with unset(), removes) an environment variable for the lifetime
// of the object and puts the old value back afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value);
    static ScopedEnv unset(std::string name);
    ~ScopedEnv();
    ScopedEnv(ScopedEnv&& other) noexcept;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ScopedEnv& operator=(ScopedEnv&&) = delete;

  private:
    explicit ScopedEnv(std::string name);
    std::string name_;
    bool hadValue_ = false;
    std::string oldValue_;
    bool active_ = true;
};
