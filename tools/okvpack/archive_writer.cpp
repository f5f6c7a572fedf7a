#include "tools/okvpack/archive_writer.h"

#include <algorithm>
#include <deque>

#include "engine/platform/archive/archive_format.h"
#include "engine/platform/archive/archive_key.h"
#include "engine/platform/base/charset.h"
#include "tools/okvpack/lz_encoder.h"

namespace okvpack {
namespace {

using namespace orvik;

// Two-byte characters are told by the lead bytes of the archive's code page, as the reader
// tells them: a second byte that looks like a to z stays as it is.
std::string LookupName(const std::string& name, int charSet) {
    std::string upper = name;
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto c = static_cast<uint8_t>(upper[i]);
        if (IsDoubleByteLead(&upper[i], charSet) && i + 1 < upper.size()) ++i;
        else if (c >= 'a' && c <= 'z') upper[i] = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// One file-table entry before layout.
struct Entry {
    const PackFile* file = nullptr;
    const PackDir* dir = nullptr;
    uint32_t nameOffset = 0;
    uint32_t dirRecord = 0;  // directories: their record index
    uint64_t time = 0;
};

class Writer {
public:
    Writer(const PackOptions& options) : options_(options) {}

    std::vector<uint8_t> Build(const PackDir& root, std::string* error) {
        if (options_.version > kArchiveNewestVersion) {
            *error = "version above 4";
            return {};
        }
        entrySize_ = ArchiveEntrySize(options_.version);
        charSet_ = ArchiveCharSetOfCodePage(options_.version >= 4 ? options_.codePage : 0);
        const uint32_t headerSize = ArchiveHeaderSize(options_.version);
        if (!Collect(root, error)) return {};
        out_.assign(headerSize, 0);
        std::vector<uint8_t> table(entries_.size() * entrySize_, 0);
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (!WriteEntry(entries_[i], table.data() + i * entrySize_, headerSize, error)) return {};
        }
        const uint64_t blockOffset = out_.size();
        const uint64_t fileTable = names_.size();
        const uint64_t dirTable = fileTable + table.size();
        const uint64_t blockSize = dirTable + dirs_.size();
        if (blockOffset + blockSize > INT32_MAX) {
            *error = "archive larger than 2 GB";
            return {};
        }
        out_.insert(out_.end(), names_.begin(), names_.end());
        out_.insert(out_.end(), table.begin(), table.end());
        out_.insert(out_.end(), dirs_.begin(), dirs_.end());
        uint8_t* h = out_.data();
        h[kHeaderMagic] = kArchiveMagic[0];
        h[kHeaderMagic + 1] = kArchiveMagic[1];
        StoreU16(h + kHeaderVersion, options_.version);
        StoreU32(h + kHeaderBlockSize, static_cast<uint32_t>(blockSize));
        StoreU32(h + kHeaderDataStart, headerSize);
        StoreU32(h + kHeaderBlockOffset, static_cast<uint32_t>(blockOffset));
        StoreU32(h + kHeaderFileTable, static_cast<uint32_t>(fileTable));
        StoreU32(h + kHeaderDirTable, static_cast<uint32_t>(dirTable));
        if (options_.version >= 4) StoreU32(h + kHeaderCodePage, options_.codePage);
        uint8_t key[kArchiveKeySize];
        MakeArchiveKey(options_.keyString ? options_.keyString->c_str() : nullptr, key);
        XorArchiveKey(out_.size(), out_.data(), 0, key);
        return std::move(out_);
    }

private:
    uint32_t AddName(const std::string& name) {
        const uint32_t at = static_cast<uint32_t>(names_.size());
        const std::string lookup = LookupName(name, charSet_);
        const uint32_t units = static_cast<uint32_t>(lookup.size() + 4) / 4;
        uint32_t sum = 0;
        for (char c : lookup) sum += static_cast<uint8_t>(c);
        names_.resize(at + kArchiveNameHeadSize + units * 4, 0);
        StoreU16(names_.data() + at, static_cast<uint16_t>(units));
        StoreU16(names_.data() + at + 2, static_cast<uint16_t>(sum));
        std::copy(lookup.begin(), lookup.end(), names_.begin() + at + kArchiveNameHeadSize);
        names_.insert(names_.end(), name.begin(), name.end());
        names_.push_back(0);
        return at;
    }

    static const std::string& NameOf(const Entry& e) { return e.file ? e.file->name : e.dir->name; }

    bool HasSeparator(const std::string& name) const {
        for (size_t i = 0; i < name.size(); ++i) {
            if (IsDoubleByteLead(&name[i], charSet_) && i + 1 < name.size()) ++i;
            else if (name[i] == '\\' || name[i] == '/') return true;
        }
        return false;
    }

    // Every entry must be one the reader can find: a separator inside a name splits its
    // lookup, and of two entries of one kind with the same lookup name only the first is found.
    bool AllReachable(const std::vector<Entry>& sorted, std::string* error) const {
        for (size_t i = 0; i < sorted.size(); ++i) {
            const std::string& name = NameOf(sorted[i]);
            if (HasSeparator(name)) {
                *error = "a name with a path separator cannot be looked up: " + name;
                return false;
            }
            const std::string lookup = LookupName(name, charSet_);
            for (size_t j = i; j-- > 0 && LookupName(NameOf(sorted[j]), charSet_) == lookup;) {
                if ((sorted[j].file != nullptr) == (sorted[i].file != nullptr)) {
                    *error = "names that differ only in case: " + NameOf(sorted[j]) + " and " + name;
                    return false;
                }
            }
        }
        return true;
    }

    // Breadth first: the root's own entry, then each directory's entries in one run, sorted
    // by lookup name so archives come out the same for the same tree.
    bool Collect(const PackDir& root, std::string* error) {
        entries_.push_back(Entry{nullptr, &root, AddName(""), 0, root.fileTime});
        struct Pending { const PackDir* dir; uint32_t record; uint32_t ownEntry; uint32_t parent; };
        std::deque<Pending> queue{{&root, 0, 0, kArchiveNoParent}};
        dirs_.resize(kArchiveDirRecordSize);
        while (!queue.empty()) {
            const Pending p = queue.front();
            queue.pop_front();
            std::vector<Entry> children;
            for (const PackFile& f : p.dir->files) children.push_back(Entry{&f, nullptr, 0, 0, f.fileTime});
            for (const PackDir& d : p.dir->dirs) children.push_back(Entry{nullptr, &d, 0, 0, d.fileTime});
            std::stable_sort(children.begin(), children.end(), [this](const Entry& a, const Entry& b) {
                return LookupName(NameOf(a), charSet_) < LookupName(NameOf(b), charSet_);
            });
            if (!AllReachable(children, error)) return false;
            const uint32_t first = static_cast<uint32_t>(entries_.size());
            for (Entry& child : children) {
                child.nameOffset = AddName(NameOf(child));
                if (child.dir) {
                    child.dirRecord = static_cast<uint32_t>(dirs_.size() / kArchiveDirRecordSize);
                    dirs_.resize(dirs_.size() + kArchiveDirRecordSize);
                    queue.push_back({child.dir, child.dirRecord, static_cast<uint32_t>(entries_.size()),
                                     p.record * kArchiveDirRecordSize});
                }
                entries_.push_back(child);
            }
            uint8_t* record = dirs_.data() + p.record * kArchiveDirRecordSize;
            StoreU32(record + kDirEntry, p.ownEntry * entrySize_);
            StoreU32(record + kDirParent, p.parent);
            StoreU32(record + kDirCount, static_cast<uint32_t>(children.size()));
            StoreU32(record + kDirFirst, first * entrySize_);
        }
        return true;
    }

    // Writes a file's data (packed when that makes it smaller) and fills its entry.
    bool WriteEntry(const Entry& e, uint8_t* p, uint32_t dataStart, std::string* error) {
        StoreU32(p + kEntryName, e.nameOffset);
        StoreU64(p + kEntryCreationTime, e.time);
        StoreU64(p + kEntryAccessTime, e.time);
        StoreU64(p + kEntryWriteTime, e.time);
        if (e.dir) {
            StoreU32(p + kEntryAttributes, kArchiveDirectoryAttribute);
            StoreU32(p + kEntryData, e.dirRecord * kArchiveDirRecordSize);
            if (options_.version >= 2) StoreU32(p + kEntryPackedSize, kArchiveStoredMark);
            return true;
        }
        const std::vector<uint8_t>& bytes = e.file->bytes;
        if (bytes.size() > INT32_MAX || out_.size() + bytes.size() > INT32_MAX) {
            *error = "archive larger than 2 GB";
            return false;
        }
        StoreU32(p + kEntryAttributes, 0x20);  // archive bit, as a plain file carries it
        StoreU32(p + kEntryData, static_cast<uint32_t>(out_.size() - dataStart));
        StoreU32(p + kEntrySize, static_cast<uint32_t>(bytes.size()));
        std::vector<uint8_t> packed;
        if (options_.compress && options_.version >= 2 && !bytes.empty())
            packed = LzEncode(bytes.data(), bytes.size());
        if (!packed.empty() && packed.size() < bytes.size()) {
            StoreU32(p + kEntryPackedSize, static_cast<uint32_t>(packed.size()));
            out_.insert(out_.end(), packed.begin(), packed.end());
        } else {
            if (options_.version >= 2) StoreU32(p + kEntryPackedSize, kArchiveStoredMark);
            out_.insert(out_.end(), bytes.begin(), bytes.end());
        }
        return true;
    }

    const PackOptions& options_;
    uint32_t entrySize_ = 0;
    int charSet_ = 0;
    std::vector<Entry> entries_;
    std::vector<uint8_t> names_;
    std::vector<uint8_t> dirs_;
    std::vector<uint8_t> out_;
};

}  // namespace

std::vector<uint8_t> BuildArchive(const PackDir& root, const PackOptions& options, std::string* error) {
    std::string ignored;
    return Writer(options).Build(root, error ? error : &ignored);
}

}  // namespace okvpack
