#include "tools/okvpack/pack_directory.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/platform/files/file_times.h"

namespace okvpack {
namespace {

namespace fs = std::filesystem;

uint64_t ModifiedFileTime(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return 0;
    return orvik::UnixToFileTime(info.st_mtime);
}

bool ReadBytes(const fs::path& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int ReadInto(const fs::path& path, PackDir* dir, std::string* error) {
    std::error_code ec;
    dir->fileTime = ModifiedFileTime(path);
    for (const fs::directory_entry& entry : fs::directory_iterator(path, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec)) {
            dir->dirs.emplace_back();
            dir->dirs.back().name = name;
            if (ReadInto(entry.path(), &dir->dirs.back(), error) != 0) return -1;
        } else if (entry.is_regular_file(ec)) {
            PackFile file{name, {}, ModifiedFileTime(entry.path())};
            if (!ReadBytes(entry.path(), &file.bytes)) {
                *error = "cannot read " + entry.path().string();
                return -1;
            }
            dir->files.push_back(std::move(file));
        }
    }
    if (ec) {
        *error = "cannot list " + path.string() + ": " + ec.message();
        return -1;
    }
    return 0;
}

}  // namespace

int ReadDirectoryTree(const std::string& path, PackDir* root, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    *root = PackDir{};
    if (!fs::is_directory(path)) {
        *error = path + " is not a directory";
        return -1;
    }
    return ReadInto(path, root, error);
}

int PackDirectory(const std::string& source, const std::string& archive, const PackOptions& options,
                  std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    PackDir root;
    if (ReadDirectoryTree(source, &root, error) != 0) return -1;
    const std::vector<uint8_t> bytes = BuildArchive(root, options, error);
    if (bytes.empty()) return -1;
    // Written beside the target and renamed over it, so a failed run leaves no half archive.
    const std::string temporary = archive + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        // The last buffered bytes reach the disk only at close: a full disk shows there.
        out.close();
        if (!out) {
            *error = "cannot write " + temporary;
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return -1;
        }
    }
    std::error_code ec;
    fs::rename(temporary, archive, ec);
    if (ec) {
        *error = "cannot write " + archive + ": " + ec.message();
        fs::remove(temporary, ec);
        return -1;
    }
    return 0;
}

}  // namespace okvpack
