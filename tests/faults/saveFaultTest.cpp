// Save under failing disks: every way the data file can fail to be replaced must leave the old
// file intact byte for byte, say which file failed and why, and let a later Save succeed once the
// cause is gone.
//
// Failures come from three sources: scl::File's fault hook (deterministic write, flush and close
// errors, and crashes at chosen points of a save, in a forked child); real kernel limits that
// need no privileges (RLIMIT_FSIZE, permissions enforced on an unprivileged child); and, when the
// process may use them, a read-only bind mount, a tiny tmpfs and the immutable attribute.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/cpp/file.h"
#include "base/string.h"
#include "tool/table.h"
#include "tool/tables.h"

namespace
{

const char kHeader[] = "ID\tName\tLevel\r\nINT\tSTRING\tUINT\r\n";
const char kRows[] = "1\tSword\t10\r\n2\tShield\t20\r\n";
const char kNewRow[] = "3\tAxe\t0\r\n";
const char kMeta[] = "<Table IdFieldIndex=\"0\" NameFieldIndex=\"1\">"
                     "<Field Type=\"INT\" Name=\"ID\"/><Field Type=\"STRING\" Name=\"Name\"/>"
                     "<Field Type=\"UINT\" Name=\"Level\"/></Table>";
// An unprivileged user for the permission cases when the tests run as root.
constexpr uid_t kNobody = 65534;

std::string Utf16File(const std::string& ascii)
{
    std::string bytes("\xFF\xFE");
    for (char c : ascii)
    {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::string kOldFile = Utf16File(std::string(kHeader) + kRows);
const std::string kNewFile = Utf16File(std::string(kHeader) + kRows + kNewRow);

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str()))
    {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

// What a forked child found: its exit code (or the signal that ended it) and a message.
struct ChildResult
{
    int exitCode = -1;
    int signal = 0;
    std::string message;
};

// Exit code of a child that lacks the privileges for its case.
constexpr int kNotPermitted = 77;

// Runs body in a forked child; body returns the exit code and may fill message. The child ends
// with _exit, so nothing of this process (atexit handlers, the leak check) runs twice.
ChildResult RunChild(const std::function<int(std::string& message)>& body)
{
    int pipeFds[2];
    ChildResult result;
    if (::pipe(pipeFds) != 0)
    {
        result.message = "pipe failed";
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::close(pipeFds[0]);
        std::string message;
        const int code = body(message);
        if (!message.empty() && ::write(pipeFds[1], message.data(), message.size()) < 0)
            ::_exit(99);
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.message.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

// In a child: gives up root for an unprivileged user, so that permissions bind. Returns false
// when that is not possible.
bool DropPrivileges()
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
           ::geteuid() != 0;
}

// ---- the fault hook -----------------------------------------------------------------------------

struct Fault
{
    scl::File::Operation operation = scl::File::Operation::Write;
    int skip = 0;       // operations of that kind that still succeed
    int error = ENOSPC; // errno of the failure
    bool kill = false;  // end the process instead of failing
    int failures = 0;   // how many operations were failed
};
Fault s_fault;

bool FaultHook(scl::File::Operation operation, const scl::File&, std::size_t)
{
    if (operation != s_fault.operation)
        return true;
    if (s_fault.skip > 0)
    {
        --s_fault.skip;
        return true;
    }
    if (s_fault.kill)
        ::kill(::getpid(), SIGKILL);
    ++s_fault.failures;
    errno = s_fault.error;
    return false;
}

class HookGuard
{
public:
    explicit HookGuard(const Fault& fault)
    {
        s_fault = fault;
        scl::File::s_faultHook = FaultHook;
    }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;
    ~HookGuard() { scl::File::s_faultHook = nullptr; }
};

// The hook itself: a refused operation writes nothing, says so, and marks the file failed.
TEST(FileFaultHook, RefusedOperationsFailAndWriteNothing)
{
    std::string path = testing::TempDir() + "tesselFileHookXXXXXX";
    const int fd = ::mkstemp(&path[0]);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::u16string wide = scl::FromUtf8(path.c_str());
    {
        scl::File file;
        file.Open(wide.c_str(), "wb+");
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.Write(u"ab", 2));
        {
            HookGuard hook({scl::File::Operation::Write, 0, ENOSPC});
            errno = 0;
            EXPECT_FALSE(file.Write(u"cd", 2));
            EXPECT_EQ(errno, ENOSPC);
            EXPECT_TRUE(file.Failed());
        }
        {
            HookGuard hook({scl::File::Operation::Flush, 0, EIO});
            EXPECT_FALSE(file.Flush());
        }
        EXPECT_TRUE(file.Flush()); // the hook is gone
        {
            HookGuard hook({scl::File::Operation::Close, 0, EIO});
            file.Close();
            EXPECT_EQ(s_fault.failures, 1);
        }
        EXPECT_FALSE(file.IsOpen()) << "a refused close must still release the stream";
    }
    EXPECT_EQ(ReadBytes(path), std::string("\xFF\xFE"
                                           "a\0b\0",
                                           6));
    ::unlink(path.c_str());
}

// ---- fixture ----------------------------------------------------------------------------------

// Each test gets a data directory (the current directory while it runs) holding data.txt and its
// metadata, loads it, and adds the row "3 Axe 0" so that a save has something new to write.
class SaveFaultTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char cwd[4096];
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        m_startDir = cwd;
        std::string pattern = testing::TempDir() + "tesselSaveFaultXXXXXX";
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
        ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(m_dir.c_str()), 0);
    }

    void TearDown() override
    {
        scl::File::s_faultHook = nullptr;
        TableList::destroyInstance();
        ASSERT_EQ(::chdir(m_startDir.c_str()), 0);
        const std::string command = "chattr -R -i '" + m_dir + "' 2>/dev/null; rm -rf '" + m_dir + "'";
        if (std::system(command.c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << m_dir;
    }

    // Writes dir/data.txt (the old content) and its metadata; dir "" is the data directory.
    void WriteTable(const std::string& dir = "")
    {
        const std::string prefix = dir.empty() ? "" : dir + "/";
        if (!dir.empty())
        {
            ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
        }
        ASSERT_TRUE(WriteBytes(prefix + "data.txt", kOldFile));
        ASSERT_TRUE(WriteBytes(prefix + "data.txt.meta", kMeta));
    }

    // Loads dir/data.txt into m_table and adds the new row.
    void LoadAndEdit(const std::string& dir = "")
    {
        m_name = (dir.empty() ? "" : dir + "/") + "data.txt";
        const std::u16string name = scl::FromUtf8(m_name.c_str());
        ASSERT_TRUE(m_table.Load(name.c_str())) << m_table.LastError();
        ASSERT_NE(m_table.NewRow(u"Axe"), nullptr);
    }

    // As root, hands the data directory and file to the unprivileged user of DropPrivileges.
    void GiveToNobody()
    {
        if (::geteuid() != 0)
            return;
        ASSERT_EQ(::chown(".", kNobody, kNobody), 0);
        ASSERT_EQ(::chown("data.txt", kNobody, kNobody), 0);
    }

    void Prepare(const std::string& dir = "")
    {
        WriteTable(dir);
        LoadAndEdit(dir);
    }

    // The failed save said which file and why, and left the old file and nothing else.
    void ExpectFailedSave(const std::string& reason, const std::string& otherReason = "")
    {
        EXPECT_FALSE(m_table.Save());
        ExpectReported(m_table.LastError(), reason, otherReason);
        ExpectOldFileIntact();
    }

    // The error names the file and gives the reason (either of two wordings, when given).
    void ExpectReported(const std::string& error, const std::string& reason,
                        const std::string& otherReason = "")
    {
        EXPECT_NE(error.find(m_name), std::string::npos) << "the error does not name the file: " << error;
        const bool found = error.find(reason) != std::string::npos ||
                           (!otherReason.empty() && error.find(otherReason) != std::string::npos);
        EXPECT_TRUE(found) << "the error does not give the reason \"" << reason << "\": " << error;
    }

    void ExpectOldFileIntact(const std::string& dir = "")
    {
        const std::string prefix = dir.empty() ? "" : dir + "/";
        EXPECT_EQ(ReadBytes(prefix + "data.txt"), kOldFile) << "the old data file changed";
        std::vector<std::string> entries = Entries(dir.empty() ? "." : dir);
        std::vector<std::string> expected = {"data.txt", "data.txt.meta"};
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, expected) << "a failed save left files behind";
    }

    void ExpectLaterSaveSucceeds(const std::string& dir = "")
    {
        EXPECT_TRUE(m_table.Save()) << m_table.LastError();
        EXPECT_TRUE(m_table.LastError().empty());
        EXPECT_EQ(ReadBytes((dir.empty() ? "" : dir + "/") + "data.txt"), kNewFile);
    }

    std::string m_startDir;
    std::string m_dir;
    std::string m_name;
    tarn::editor::Table m_table;
};

// ---- write errors ------------------------------------------------------------------------------

TEST_F(SaveFaultTest, DiskFullAtTheFirstWrite)
{
    Prepare();
    {
        HookGuard hook({scl::File::Operation::Write, 0, ENOSPC});
        ExpectFailedSave(std::strerror(ENOSPC));
        EXPECT_GT(s_fault.failures, 0);
    }
    ExpectLaterSaveSucceeds();
}

TEST_F(SaveFaultTest, DiskFullInTheMiddleOfTheRows)
{
    Prepare();
    {
        HookGuard hook({scl::File::Operation::Write, 2, ENOSPC}); // mark and header go through
        ExpectFailedSave(std::strerror(ENOSPC));
        EXPECT_GT(s_fault.failures, 0);
    }
    ExpectLaterSaveSucceeds();
}

TEST_F(SaveFaultTest, DiskFullWhenTheDataReachesTheDisk)
{
    // Buffered writes succeed; the flush to the disk is where a full disk shows.
    Prepare();
    {
        HookGuard hook({scl::File::Operation::Flush, 0, ENOSPC});
        ExpectFailedSave(std::strerror(ENOSPC));
        EXPECT_EQ(s_fault.failures, 1);
    }
    ExpectLaterSaveSucceeds();
}

TEST_F(SaveFaultTest, InputOutputErrorAtClose)
{
    Prepare();
    {
        HookGuard hook({scl::File::Operation::Close, 0, EIO});
        ExpectFailedSave(std::strerror(EIO));
        EXPECT_EQ(s_fault.failures, 1);
    }
    ExpectLaterSaveSucceeds();
}

TEST_F(SaveFaultTest, FileSizeLimitIsARealWriteError)
{
    // The kernel refuses writes past RLIMIT_FSIZE (EFBIG) as it refuses them on a full disk.
    Prepare();
    const ChildResult child = RunChild(
        [&](std::string& message)
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = kOldFile.size();
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return kNotPermitted;
            if (m_table.Save())
                return 1;
            message = m_table.LastError();
            return 0;
        });
    ASSERT_EQ(child.signal, 0);
    ASSERT_EQ(child.exitCode, 0) << "the save beyond the file size limit succeeded";
    ExpectReported(child.message, std::strerror(EFBIG));
    ExpectOldFileIntact();
    ExpectLaterSaveSucceeds();
}

// ---- crashes -----------------------------------------------------------------------------------

// Kills a child in the middle of its save; then the old file must be intact, a stray temporary
// file must not disturb loading, and a save from a fresh load must work.
void CrashAndRecover(SaveFaultTest& test, tarn::editor::Table& table, const Fault& fault)
{
    const ChildResult child = RunChild(
        [&](std::string&)
        {
            HookGuard hook(fault);
            table.Save();
            return 0; // not reached when the fault fires
        });
    ASSERT_EQ(child.signal, SIGKILL) << "the child was not killed during its save (exit " << child.exitCode
                                     << ")";
    EXPECT_EQ(ReadBytes("data.txt"), kOldFile);

    // A restarted editor loads the old rows, whatever the crash left beside them.
    ASSERT_TRUE(
        WriteBytes("tableList.xml", "<TableList><Table FileName=\"data.txt\" Label=\"d\"/></TableList>"));
    TableList* list = TableList::instance();
    list->loadTableList();
    ASSERT_EQ(list->count(), 1);
    tarn::editor::Table* reloaded = list->at(0);
    EXPECT_EQ(reloaded->m_rows.size(), 2);
    EXPECT_EQ(reloaded->ComputeMaxId(), 2);
    ASSERT_NE(reloaded->NewRow(u"Axe"), nullptr);
    EXPECT_TRUE(list->saveAll().empty());
    EXPECT_EQ(ReadBytes("data.txt"), kNewFile);
    (void)test;
}

TEST_F(SaveFaultTest, CrashBetweenWritingAndReplacing)
{
    Prepare();
    // Close is the last step before the temporary file replaces the data file.
    CrashAndRecover(*this, m_table, {scl::File::Operation::Close, 0, 0, true});
}

TEST_F(SaveFaultTest, CrashWhileWritingRows)
{
    Prepare();
    CrashAndRecover(*this, m_table, {scl::File::Operation::Write, 3, 0, true});
}

TEST_F(SaveFaultTest, CrashWhileFlushing)
{
    Prepare();
    CrashAndRecover(*this, m_table, {scl::File::Operation::Flush, 0, 0, true});
}

// ---- the data file cannot be replaced -----------------------------------------------------------

TEST_F(SaveFaultTest, ReadOnlyDirectory)
{
    Prepare();
    GiveToNobody();
    const ChildResult child = RunChild(
        [&](std::string& message)
        {
            if (!DropPrivileges())
                return kNotPermitted;
            if (::chmod(".", 0555) != 0)
                return 2;
            if (m_table.Save())
                return 1;
            message = m_table.LastError();
            if (ReadBytes("data.txt") != kOldFile || Entries(".").size() != 2)
                return 3;
            // The cause is gone: the same table saves.
            if (::chmod(".", 0755) != 0)
                return 2;
            if (!m_table.Save() || ReadBytes("data.txt") != kNewFile)
                return 4;
            return 0;
        });
    ASSERT_EQ(child.signal, 0);
    if (child.exitCode == kNotPermitted)
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    ASSERT_EQ(child.exitCode, 0) << (child.exitCode == 1   ? "the save into a read-only directory succeeded"
                                     : child.exitCode == 3 ? "the failed save changed the directory"
                                     : child.exitCode == 4 ? "the save after chmod 755 failed"
                                                           : "setup failed");
    ExpectReported(child.message, std::strerror(EACCES));
    EXPECT_EQ(ReadBytes("data.txt"), kNewFile);
}

TEST_F(SaveFaultTest, ReadOnlyFile)
{
    Prepare();
    GiveToNobody();
    ASSERT_EQ(::chmod("data.txt", 0444), 0);
    const ChildResult child = RunChild(
        [&](std::string& message)
        {
            if (!DropPrivileges())
                return kNotPermitted;
            if (m_table.Save())
                return 1;
            message = m_table.LastError();
            if (ReadBytes("data.txt") != kOldFile || Entries(".").size() != 2)
                return 3;
            if (::chmod("data.txt", 0644) != 0)
                return 2;
            if (!m_table.Save() || ReadBytes("data.txt") != kNewFile)
                return 4;
            return 0;
        });
    ASSERT_EQ(child.signal, 0);
    if (child.exitCode == kNotPermitted)
        GTEST_SKIP() << "cannot switch to an unprivileged user";
    ASSERT_EQ(child.exitCode, 0) << (child.exitCode == 1   ? "a read-only data file was replaced"
                                     : child.exitCode == 3 ? "the failed save changed the directory"
                                     : child.exitCode == 4 ? "the save after chmod 644 failed"
                                                           : "setup failed");
    EXPECT_NE(child.message.find(m_name), std::string::npos) << child.message;
    EXPECT_EQ(ReadBytes("data.txt"), kNewFile);
}

// The immutable attribute stops root too. Needs CAP_LINUX_IMMUTABLE and a file system with it.
TEST_F(SaveFaultTest, ImmutableFile)
{
    Prepare();
    const int fd = ::open("data.txt", O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
    {
        ::close(fd);
        GTEST_SKIP() << "the file system has no file attributes";
    }
    flags |= FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
    {
        ::close(fd);
        GTEST_SKIP() << "cannot set the immutable attribute: " << std::strerror(errno);
    }
    // Refused up front as read-only, or failing at the replacement.
    ExpectFailedSave(std::strerror(EPERM), "read-only");
    flags &= ~FS_IMMUTABLE_FL;
    ASSERT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
    ::close(fd);
    ExpectLaterSaveSucceeds();
}

TEST_F(SaveFaultTest, DataFileBecameADirectory)
{
    Prepare();
    ASSERT_EQ(::rename("data.txt", "data.old"), 0);
    ASSERT_EQ(::mkdir("data.txt", 0755), 0);
    EXPECT_FALSE(m_table.Save());
    EXPECT_NE(m_table.LastError().find(m_name), std::string::npos) << m_table.LastError();
    struct stat st;
    ASSERT_EQ(::stat("data.txt", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ReadBytes("data.old"), kOldFile);
    ASSERT_EQ(::rmdir("data.txt"), 0);
    ASSERT_EQ(::rename("data.old", "data.txt"), 0);
    ExpectLaterSaveSucceeds();
}

// ---- the directory vanished ---------------------------------------------------------------------

TEST_F(SaveFaultTest, DirectoryMovedAway)
{
    Prepare("tables");
    ASSERT_EQ(::rename("tables", "tables.moved"), 0);
    EXPECT_FALSE(m_table.Save());
    ExpectReported(m_table.LastError(), std::strerror(ENOENT));
    ExpectOldFileIntact("tables.moved");
    struct stat st;
    EXPECT_NE(::stat("tables", &st), 0) << "the save made the vanished directory again";
    ASSERT_EQ(::rename("tables.moved", "tables"), 0);
    ExpectLaterSaveSucceeds("tables");
}

TEST_F(SaveFaultTest, DirectoryDeleted)
{
    Prepare("tables");
    ASSERT_EQ(std::system("rm -rf tables"), 0);
    EXPECT_FALSE(m_table.Save());
    ExpectReported(m_table.LastError(), std::strerror(ENOENT));
    EXPECT_TRUE(Entries(".").empty()) << "the failed save created files";
    // The directory is back (restored from a backup, say): the table saves into it.
    ASSERT_EQ(::mkdir("tables", 0755), 0);
    EXPECT_TRUE(m_table.Save()) << m_table.LastError();
    EXPECT_EQ(ReadBytes("tables/data.txt"), kNewFile);
}

TEST_F(SaveFaultTest, SaveAllReportsTheTableThatFailedAndSavesTheOthers)
{
    WriteTable("first");
    WriteTable("second");
    ASSERT_TRUE(WriteBytes("tableList.xml", "<TableList><T FileName=\"first/data.txt\" Label=\"1\"/>"
                                            "<T FileName=\"second/data.txt\" Label=\"2\"/></TableList>"));
    TableList* list = TableList::instance();
    list->loadTableList();
    ASSERT_EQ(list->count(), 2);
    for (int i = 0; i < 2; ++i)
        ASSERT_NE(list->at(i)->NewRow(u"Axe"), nullptr);

    ASSERT_EQ(::rename("first", "first.moved"), 0);
    const std::vector<tarn::SaveFailure> failures = list->saveAll();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].file, "first/data.txt");
    EXPECT_NE(failures[0].reason.find("first/data.txt"), std::string::npos) << failures[0].reason;
    EXPECT_NE(failures[0].reason.find(std::strerror(ENOENT)), std::string::npos) << failures[0].reason;
    EXPECT_EQ(ReadBytes("first.moved/data.txt"), kOldFile);
    EXPECT_EQ(ReadBytes("second/data.txt"), kNewFile);

    ASSERT_EQ(::rename("first.moved", "first"), 0);
    EXPECT_TRUE(list->saveAll().empty());
    EXPECT_EQ(ReadBytes("first/data.txt"), kNewFile);
}

// ---- real file systems in a private mount namespace (needs CAP_SYS_ADMIN) -----------------------

// Runs body in a child with its own mount namespace and a tmpfs of the given size mounted on
// "disk" in the data directory.
ChildResult WithPrivateTmpfs(const char* options, const std::function<int(std::string&)>& body)
{
    return RunChild(
        [&](std::string& message)
        {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return kNotPermitted;
            if (::mkdir("disk", 0755) != 0 || ::mount("tmpfs", "disk", "tmpfs", 0, options) != 0)
                return kNotPermitted;
            return body(message);
        });
}

TEST_F(SaveFaultTest, RealDiskFull)
{
    const ChildResult child = WithPrivateTmpfs(
        "size=64k",
        [&](std::string& message)
        {
            if (!WriteBytes("disk/data.txt", kOldFile) || !WriteBytes("disk/data.txt.meta", kMeta))
                return 2;
            m_name = "disk/data.txt";
            if (!m_table.Load(u"disk/data.txt") || m_table.NewRow(u"Axe") == nullptr)
                return 2;
            // Fill the disk to the last byte.
            {
                std::FILE* filler = std::fopen("disk/filler", "wb");
                if (filler == nullptr)
                    return 2;
                std::setvbuf(filler, nullptr, _IONBF, 0);
                while (std::fputc('x', filler) != EOF)
                {
                }
                std::fclose(filler);
            }
            if (m_table.Save())
                return 1;
            message = m_table.LastError();
            if (ReadBytes("disk/data.txt") != kOldFile || Entries("disk").size() != 3)
                return 3;
            if (::unlink("disk/filler") != 0)
                return 2;
            if (!m_table.Save() || ReadBytes("disk/data.txt") != kNewFile)
                return 4;
            return 0;
        });
    ASSERT_EQ(child.signal, 0);
    if (child.exitCode == kNotPermitted)
        GTEST_SKIP()
            << "cannot mount a private tmpfs (needs CAP_SYS_ADMIN); the fault-hook cases cover a full disk";
    ASSERT_EQ(child.exitCode, 0) << (child.exitCode == 1   ? "the save onto a full disk succeeded"
                                     : child.exitCode == 3 ? "the failed save changed the directory"
                                     : child.exitCode == 4 ? "the save after freeing space failed"
                                                           : "setup failed");
    m_name = "disk/data.txt";
    ExpectReported(child.message, std::strerror(ENOSPC));
}

TEST_F(SaveFaultTest, RealReadOnlyFileSystem)
{
    const ChildResult child = WithPrivateTmpfs(
        "size=64k",
        [&](std::string& message)
        {
            if (!WriteBytes("disk/data.txt", kOldFile) || !WriteBytes("disk/data.txt.meta", kMeta))
                return 2;
            m_name = "disk/data.txt";
            if (!m_table.Load(u"disk/data.txt") || m_table.NewRow(u"Axe") == nullptr)
                return 2;
            if (::mount(nullptr, "disk", nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                return kNotPermitted;
            if (m_table.Save())
                return 1;
            message = m_table.LastError();
            if (ReadBytes("disk/data.txt") != kOldFile)
                return 3;
            if (::mount(nullptr, "disk", nullptr, MS_REMOUNT, nullptr) != 0)
                return 2;
            if (!m_table.Save() || ReadBytes("disk/data.txt") != kNewFile)
                return 4;
            return 0;
        });
    ASSERT_EQ(child.signal, 0);
    if (child.exitCode == kNotPermitted)
        GTEST_SKIP()
            << "cannot mount a private tmpfs (needs CAP_SYS_ADMIN); ReadOnlyDirectory covers the case";
    ASSERT_EQ(child.exitCode, 0) << (child.exitCode == 1   ? "the save onto a read-only file system succeeded"
                                     : child.exitCode == 3 ? "the failed save changed the file"
                                     : child.exitCode == 4 ? "the save after remounting read-write failed"
                                                           : "setup failed");
    m_name = "disk/data.txt";
    ExpectReported(child.message, std::strerror(EROFS), "read-only");
}

} // namespace
