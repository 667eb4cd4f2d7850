// Compound document writer: files are read back by an independent reader (olefile, through
// check_compound.py) and their header is checked directly.

#include "CompoundFile.h"
#include "WriteError.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

// Bytes that differ from sector to sector, so a misplaced or repeated sector shows.
Bytes Pattern(std::size_t size)
{
    Bytes b(size);
    std::uint32_t x = 2463534242u;
    for (auto &c : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<unsigned char>(x);
    }
    return b;
}

Bytes ReadFile(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path &p, const Bytes &b)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::uint32_t Get32(const Bytes &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Get16(const Bytes &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The writer's failure, or nothing when the file was written.
std::optional<vte::WriteError> FailureOf(const std::string &path, const std::string &name, const Bytes &stream)
{
    try {
        vte::WriteCompoundFile(path, name, stream);
    } catch (const vte::WriteError &e) {
        return e;
    }
    return std::nullopt;
}

std::string ErrorOf(const std::string &path, const std::string &name, const Bytes &stream)
{
    const std::optional<vte::WriteError> failure = FailureOf(path, name, stream);
    return failure ? failure->what() : "(no error)";
}

// What a failure carries besides its text.
void ExpectFailure(const std::optional<vte::WriteError> &failure, vte::WriteError::Step step, int error,
                   const std::string &path)
{
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->step(), step);
    EXPECT_EQ(failure->error(), error);
    EXPECT_EQ(failure->path(), path);
}

class CompoundFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tikomat-cfb-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Names of everything in the test folder: shows leftover temporary files.
    std::vector<std::string> FolderContents() const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs the olefile check; returns its exit status and appends its output to `output`.
    int CheckWithReader(const fs::path &file, const std::string &name, const Bytes &expected, std::string &output) const
    {
        fs::path ref = dir_ / "expected.ref";
        WriteFile(ref, expected);
        std::string cmd = std::string("/usr/bin/python3 '") + TIKOMAT_XLS_SCRIPTS + "/check_compound.py' '"
                          + file.string() + "' '" + name + "' '" + ref.string() + "' 2>&1";
        FILE *p = ::popen(cmd.c_str(), "r");
        if (!p)
            return -1;
        char buf[512];
        while (std::fgets(buf, sizeof buf, p))
            output += buf;
        int status = ::pclose(p);
        fs::remove(ref);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

struct LayoutCase {
    const char *label;
    std::size_t size;
    std::string name;
    bool inMiniStream;
    std::uint32_t fatSectors;
    std::uint32_t difatSectors;
};

class CompoundLayoutTest : public CompoundFileTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(CompoundLayoutTest, ReaderSeesExactlyTheOneStream)
{
    const LayoutCase &c = GetParam();
    const Bytes stream = Pattern(c.size);
    const fs::path file = dir_ / "out.xls";
    ASSERT_NO_THROW(vte::WriteCompoundFile(file.string(), c.name, stream));

    const Bytes raw = ReadFile(file);
    ASSERT_GE(raw.size(), 512u);
    EXPECT_EQ(raw.size() % 512, 0u);
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_EQ(std::memcmp(raw.data(), kSignature, 8), 0);
    EXPECT_EQ(Get16(raw, 26), 3);       // major version
    EXPECT_EQ(Get16(raw, 28), 0xFFFE);  // byte order
    EXPECT_EQ(Get16(raw, 30), 9);       // 512-byte sectors
    EXPECT_EQ(Get16(raw, 32), 6);       // 64-byte mini sectors
    EXPECT_EQ(Get32(raw, 56), 4096u);   // mini stream cutoff
    EXPECT_EQ(Get32(raw, 64) > 0, c.inMiniStream) << "MiniFAT sector count";
    EXPECT_EQ(Get32(raw, 44), c.fatSectors);
    EXPECT_EQ(Get32(raw, 72), c.difatSectors);

    std::string output;
    EXPECT_EQ(CheckWithReader(file, c.name, stream, output), 0) << output;
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.xls"});
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CompoundLayoutTest,
    ::testing::Values(LayoutCase{"Empty", 0, "Workbook", false, 1, 0}, LayoutCase{"OneByte", 1, "Workbook", true, 1, 0},
                      LayoutCase{"LongestName", 100, "abcdefghijklmnopqrstuvwxyz01234", true, 1, 0},
                      LayoutCase{"JustUnderCutoff", 4095, "Workbook", true, 1, 0},
                      LayoutCase{"AtCutoff", 4096, "Workbook", false, 1, 0},
                      LayoutCase{"JustOverCutoff", 4097, "Workbook", false, 1, 0},
                      LayoutCase{"SeveralFatSectors", 300000, "Workbook", false, 5, 0},
                      LayoutCase{"NeedsDifatSector", 8 * 1024 * 1024, "Workbook", false, 130, 1}),
    [](const ::testing::TestParamInfo<LayoutCase> &i) { return std::string(i.param.label); });

TEST_F(CompoundFileTest, ReplacingALargerFileLeavesNoTrailingBytesAndKeepsItsMode)
{
    const fs::path file = dir_ / "out.xls";
    WriteFile(file, Pattern(100000));
    ::chmod(file.c_str(), 0640);
    const Bytes stream = Pattern(10);
    vte::WriteCompoundFile(file.string(), "Workbook", stream);

    // header + FAT + directory + MiniFAT + mini stream
    EXPECT_EQ(fs::file_size(file), 5u * 512);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string output;
    EXPECT_EQ(CheckWithReader(file, "Workbook", stream, output), 0) << output;
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.xls"});
}

TEST_F(CompoundFileTest, SymbolicLinkTargetIsFollowed)
{
    const fs::path real = dir_ / "real.xls", link = dir_ / "link.xls";
    WriteFile(real, Pattern(50));
    fs::create_symlink(real, link);
    const Bytes stream = Pattern(5000);
    vte::WriteCompoundFile(link.string(), "Workbook", stream);

    EXPECT_TRUE(fs::is_symlink(link));
    std::string output;
    EXPECT_EQ(CheckWithReader(real, "Workbook", stream, output), 0) << output;
}

TEST_F(CompoundFileTest, UncreatableFileReportsNegatedErrno)
{
    const fs::path plain = dir_ / "plain.txt";
    WriteFile(plain, Pattern(3));
    fs::create_directory(dir_ / "folder");
    struct Case {
        fs::path target;
        std::string message;
        int error;
    } cases[] = {
        {plain / "x.xls", "StgCreateDocFile error -20", ENOTDIR},           // under a regular file
        {dir_ / "missing" / "x.xls", "StgCreateDocFile error -2", ENOENT},  // folder does not exist
        {dir_ / "folder", "StgCreateDocFile error -21", EISDIR},            // the target is a folder
        {dir_ / "folder/", "StgCreateDocFile error -21", EISDIR},
        {fs::path(), "StgCreateDocFile error -2", ENOENT},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ErrorOf(c.target.string(), "Workbook", Pattern(10)), c.message) << c.target;
        ExpectFailure(FailureOf(c.target.string(), "Workbook", Pattern(10)), vte::WriteError::Step::CreateFile, c.error,
                      c.target.string());
    }
    EXPECT_EQ(ReadFile(plain), Pattern(3));
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"folder", "plain.txt"}));
}

TEST_F(CompoundFileTest, ReadOnlyFolderReportsAccessDeniedAndKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    const fs::path folder = dir_ / "ro", file = folder / "out.xls";
    fs::create_directory(folder);
    WriteFile(file, Pattern(700));
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ErrorOf(file.string(), "Workbook", Pattern(10)), "StgCreateDocFile error -13");
    ExpectFailure(FailureOf(file.string(), "Workbook", Pattern(10)), vte::WriteError::Step::CreateFile, EACCES,
                  file.string());
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(file), Pattern(700));
}

TEST_F(CompoundFileTest, BadStreamNameIsRefusedAndTheOldFileKept)
{
    const fs::path file = dir_ / "out.xls";
    const Bytes old = Pattern(700);
    WriteFile(file, old);
    struct Case {
        std::string name;
        std::string message;
        int error;
    } cases[] = {
        {"", "CreateStream error -22", EINVAL},
        {std::string(32, 'W'), "CreateStream error -36", ENAMETOOLONG},
        {"Work/book", "CreateStream error -22", EINVAL},
        {"Work:book", "CreateStream error -22", EINVAL},
        {"Se\xC5\xA1it", "CreateStream error -22", EINVAL},  // not ASCII
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ErrorOf(file.string(), c.name, Pattern(10)), c.message) << c.name;
        ExpectFailure(FailureOf(file.string(), c.name, Pattern(10)), vte::WriteError::Step::CreateStream, c.error,
                      file.string());
    }
    EXPECT_EQ(ReadFile(file), old);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.xls"});
}

// A write that fails half-way (here: the file size limit) must not touch the old file
// and must not leave the temporary file behind.
TEST_F(CompoundFileTest, FailedWriteReportsSystemErrorAndKeepsTheOldFile)
{
    const fs::path file = dir_ / "out.xls";
    const Bytes old = Pattern(700);
    WriteFile(file, old);

    struct Limit {
        rlimit saved{};
        void (*handler)(int) = SIG_DFL;
        Limit()
        {
            ::getrlimit(RLIMIT_FSIZE, &saved);
            handler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 8192;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit()
        {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, handler);
        }
    };
    std::optional<vte::WriteError> failure;
    {
        Limit limit;
        failure = FailureOf(file.string(), "Workbook", Pattern(64 * 1024));
    }
    ASSERT_NO_FATAL_FAILURE(ExpectFailure(failure, vte::WriteError::Step::Write, EFBIG, file.string()));
    EXPECT_EQ(std::string(failure->what()), std::strerror(EFBIG));
    EXPECT_EQ(ReadFile(file), old);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.xls"});
}

}  // namespace
