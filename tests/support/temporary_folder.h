// A scratch folder for a test, removed with everything in it when the test is done.
#pragma once

#include <string>

namespace tessellune::testing {

// A fresh empty folder under the system's temporary folder, removed by the destructor; path() is
// empty when none could be made.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace tessellune::testing
