#include "support/FixtureTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tv::test {

FixtureTree::FixtureTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallyvane-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a fixture directory");
    }
    root_ = pattern;
}

FixtureTree::~FixtureTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void FixtureTree::write(const std::string& relativePath, const std::string& text) const {
    std::filesystem::path path = std::filesystem::path(root_) / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void FixtureTree::remove(const std::string& relativePath) const {
    std::filesystem::remove(std::filesystem::path(root_) / relativePath);
}

}  // namespace tv::test
