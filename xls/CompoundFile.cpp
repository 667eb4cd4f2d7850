#include "CompoundFile.h"

#include "WriteError.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vte {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kDirEntrySize = 128;
constexpr std::uint32_t kIdsPerSector = kSectorSize / 4;  // FAT / MiniFAT entries per sector
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::uint32_t kIdsPerDifatSector = kIdsPerSector - 1;  // last slot chains to the next
constexpr std::size_t kMaxStreamName = 31;                       // UTF-16 units without the null

constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

// Why a stream cannot be made, as errno values.
constexpr int kBadName = EINVAL;
constexpr int kNameTooLong = ENAMETOOLONG;
constexpr int kStreamTooLarge = EFBIG;

using Step = WriteError::Step;

std::uint32_t CeilDiv(std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>((a + b - 1) / b); }

void Put16(unsigned char *p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

int CheckStreamName(const std::string &name) {
    if (name.empty()) return kBadName;
    if (name.size() > kMaxStreamName) return kNameTooLong;
    for (unsigned char c : name)
        if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\' || c == ':' || c == '!') return kBadName;
    return 0;
}

// One directory entry. Unused entries are all zero except the three links.
void PutDirEntry(unsigned char *e, const std::string &name, unsigned char type, std::uint32_t child,
                 std::uint32_t start, std::uint32_t size) {
    for (std::size_t i = 0; i < name.size(); ++i) Put16(e + 2 * i, static_cast<unsigned char>(name[i]));
    Put16(e + 64, static_cast<std::uint16_t>(2 * (name.size() + 1)));
    e[66] = type;
    e[67] = 1;  // black: a tree of one node per level is trivially balanced
    Put32(e + 68, kNoStream);
    Put32(e + 72, kNoStream);
    Put32(e + 76, child);
    Put32(e + 116, start);
    Put32(e + 120, size);
}

// Sector numbers of every part of the file, in file order:
// FAT, DIFAT, directory, MiniFAT, mini stream, stream data.
struct Layout {
    std::uint32_t fat = 0, difat = 0, dir = 1, miniFat = 0, miniStream = 0, data = 0;
    std::uint32_t miniSectors = 0;
    bool mini = false;

    std::uint32_t FatStart() const { return 0; }
    std::uint32_t DifatStart() const { return fat; }
    std::uint32_t DirStart() const { return fat + difat; }
    std::uint32_t MiniFatStart() const { return DirStart() + dir; }
    std::uint32_t MiniStreamStart() const { return MiniFatStart() + miniFat; }
    std::uint32_t DataStart() const { return MiniStreamStart() + miniStream; }
    std::uint32_t Total() const { return DataStart() + data; }
};

Layout PlanLayout(std::uint64_t size) {
    Layout l;
    l.mini = size < kMiniStreamCutoff;
    if (l.mini) {
        l.miniSectors = CeilDiv(size, kMiniSectorSize);
        l.miniFat = CeilDiv(l.miniSectors, kIdsPerSector);
        l.miniStream = CeilDiv(std::uint64_t{l.miniSectors} * kMiniSectorSize, kSectorSize);
    } else {
        l.data = CeilDiv(size, kSectorSize);
    }
    // The FAT describes itself and the DIFAT sectors too, so grow both until they settle.
    for (;;) {
        std::uint32_t fat = CeilDiv(l.Total(), kIdsPerSector);
        std::uint32_t difat = fat > kHeaderDifatEntries ? CeilDiv(fat - kHeaderDifatEntries, kIdsPerDifatSector) : 0;
        if (fat == l.fat && difat == l.difat) return l;
        l.fat = fat;
        l.difat = difat;
    }
}

// Builds everything that precedes the stream data sectors: the header and the sectors up to
// and including the mini stream (which already carries a small stream's bytes).
std::vector<unsigned char> BuildHead(const Layout &l, const std::string &name,
                                     const std::vector<unsigned char> &stream) {
    std::vector<unsigned char> buf(std::size_t{kSectorSize} * (1 + l.DataStart()), 0);
    auto sector = [&](std::uint32_t n) { return buf.data() + std::size_t{kSectorSize} * (n + 1); };

    // Header.
    unsigned char *h = buf.data();
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h, kSignature, sizeof kSignature);
    Put16(h + 24, 0x003E);  // minor version
    Put16(h + 26, 0x0003);  // major version: 512-byte sectors
    Put16(h + 28, 0xFFFE);  // little-endian
    Put16(h + 30, 9);       // sector shift: 2^9
    Put16(h + 32, 6);       // mini sector shift: 2^6
    Put32(h + 44, l.fat);
    Put32(h + 48, l.DirStart());
    Put32(h + 56, kMiniStreamCutoff);
    Put32(h + 60, l.miniFat ? l.MiniFatStart() : kEndOfChain);
    Put32(h + 64, l.miniFat);
    Put32(h + 68, l.difat ? l.DifatStart() : kEndOfChain);
    Put32(h + 72, l.difat);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        Put32(h + 76 + 4 * i, i < l.fat ? l.FatStart() + i : kFreeSect);

    // DIFAT sectors: the FAT sector numbers beyond the first 109, chained through the last slot.
    for (std::uint32_t d = 0; d < l.difat; ++d) {
        unsigned char *s = sector(l.DifatStart() + d);
        for (std::uint32_t i = 0; i < kIdsPerDifatSector; ++i) {
            std::uint32_t fatIndex = kHeaderDifatEntries + d * kIdsPerDifatSector + i;
            Put32(s + 4 * i, fatIndex < l.fat ? l.FatStart() + fatIndex : kFreeSect);
        }
        Put32(s + 4 * kIdsPerDifatSector, d + 1 < l.difat ? l.DifatStart() + d + 1 : kEndOfChain);
    }

    // FAT: every entry of the FAT sectors, free unless set below.
    unsigned char *fat = sector(l.FatStart());
    std::memset(fat, 0xFF, std::size_t{kSectorSize} * l.fat);
    for (std::uint32_t i = 0; i < l.fat; ++i) Put32(fat + 4 * (l.FatStart() + i), kFatSect);
    for (std::uint32_t i = 0; i < l.difat; ++i) Put32(fat + 4 * (l.DifatStart() + i), kDifSect);
    auto chain = [&](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i)
            Put32(fat + 4 * std::size_t{first + i}, i + 1 < count ? first + i + 1 : kEndOfChain);
    };
    chain(l.DirStart(), l.dir);
    chain(l.MiniFatStart(), l.miniFat);
    chain(l.MiniStreamStart(), l.miniStream);
    chain(l.DataStart(), l.data);

    // MiniFAT: one chain over the small stream's mini sectors.
    if (l.miniFat) {
        unsigned char *mf = sector(l.MiniFatStart());
        std::memset(mf, 0xFF, std::size_t{kSectorSize} * l.miniFat);
        for (std::uint32_t i = 0; i < l.miniSectors; ++i)
            Put32(mf + 4 * i, i + 1 < l.miniSectors ? i + 1 : kEndOfChain);
    }
    if (l.mini && !stream.empty()) std::memcpy(sector(l.MiniStreamStart()), stream.data(), stream.size());

    // Directory: root, the one stream, and two unused entries.
    unsigned char *dir = sector(l.DirStart());
    const auto size = static_cast<std::uint32_t>(stream.size());
    std::uint32_t rootStart = l.miniStream ? l.MiniStreamStart() : kEndOfChain;
    PutDirEntry(dir, "Root Entry", 5, 1, rootStart, l.miniSectors * kMiniSectorSize);
    std::uint32_t streamStart = size == 0 ? kEndOfChain : l.mini ? 0 : l.DataStart();
    PutDirEntry(dir + kDirEntrySize, name, 2, kNoStream, streamStart, size);
    for (std::uint32_t i = 2; i < kSectorSize / kDirEntrySize; ++i) {
        unsigned char *e = dir + i * kDirEntrySize;
        Put32(e + 68, kNoStream);
        Put32(e + 72, kNoStream);
        Put32(e + 76, kNoStream);
    }
    return buf;
}

void WriteAll(int fd, const unsigned char *data, std::size_t size, const std::string &path) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw WriteError(Step::Write, errno, path);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// The temporary file beside the target; removed unless it was renamed into place.
// Its failures name `path`, the file as the caller named it.
class TempFile {
public:
    TempFile(const std::string &target, const std::string &path) : shownPath_(path) {
        std::string::size_type slash = target.rfind('/');
        std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        std::string base = target.substr(folder.size()).substr(0, 64);
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto tick = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
            char suffix[64];
            std::snprintf(suffix, sizeof suffix, ".%ld-%u-%llx.tmp", static_cast<long>(::getpid()),
                          counter.fetch_add(1), tick & 0xFFFFFFu);
            path_ = folder + "." + base + suffix;
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) throw WriteError(Step::CreateFile, errno, shownPath_);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    int fd() const { return fd_; }

    void Commit(const std::string &target) {
        // No fsync: the rename alone already means that a failing write, a full
        // disk or a crash of the program leaves the previous workbook whole.  A
        // workbook is an export that can be written again from the data file, so
        // it does not pay for a disk flush on every save; the data file does.
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw WriteError(Step::Write, errno, shownPath_);
        if (::rename(path_.c_str(), target.c_str()) != 0) throw WriteError(Step::Write, errno, shownPath_);
        committed_ = true;
    }

private:
    std::string shownPath_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace

void WriteCompoundFile(const std::string &path, const std::string &streamName,
                       const std::vector<unsigned char> &stream) {
    std::string target = path;
    bool keepMode = false;
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link.
        if (char *resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    if (target.empty()) throw WriteError(Step::CreateFile, ENOENT, path);
    if (target.back() == '/') throw WriteError(Step::CreateFile, EISDIR, path);
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw WriteError(Step::CreateFile, EISDIR, path);
        keepMode = S_ISREG(st.st_mode);
    }

    TempFile temp(target, path);
    if (keepMode) ::fchmod(temp.fd(), st.st_mode & 07777);  // best effort: the data matters more

    if (int error = CheckStreamName(streamName)) throw WriteError(Step::CreateStream, error, path);
    if (stream.size() > 0xFFFFFFFFu) throw WriteError(Step::CreateStream, kStreamTooLarge, path);

    const Layout layout = PlanLayout(stream.size());
    const std::vector<unsigned char> head = BuildHead(layout, streamName, stream);
    WriteAll(temp.fd(), head.data(), head.size(), path);
    if (!layout.mini) {
        WriteAll(temp.fd(), stream.data(), stream.size(), path);
        static const unsigned char kZeros[kSectorSize] = {};
        WriteAll(temp.fd(), kZeros, std::size_t{layout.data} * kSectorSize - stream.size(), path);
    }
    temp.Commit(target);
}

}  // namespace vte
