// Share modes across processes: a child holds the file while the parent tries to open it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "filesystem/fileio.h"
#include "support/temp_dir.h"

namespace {

// A child process that opens `path` with `mode`, reports the outcome, and holds the file
// until told to go.
class Holder {
public:
    Holder(const std::wstring& path, const wchar_t* mode) {
        if (::pipe(to_parent_) != 0 || ::pipe(to_child_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ek::fileio f;
            const char ok = f.open(path, mode) ? '1' : '0';
            (void)!::write(to_parent_[1], &ok, 1);
            char go;
            (void)!::read(to_child_[0], &go, 1);
            ::_exit(0);
        }
        ::close(to_parent_[1]);
        ::close(to_child_[0]);
        char ok = 0;
        opened_ = pid_ > 0 && ::read(to_parent_[0], &ok, 1) == 1 && ok == '1';
    }
    ~Holder() { release(); }

    bool opened() const { return opened_; }

    void release() {
        if (pid_ <= 0) return;
        const char go = 'x';
        (void)!::write(to_child_[1], &go, 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(to_child_[1]);
        ::close(to_parent_[0]);
        pid_ = -1;
    }

private:
    int to_parent_[2] = {-1, -1};
    int to_child_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool opened_ = false;
};

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(FileIoProcess, AWriterInAnotherProcessExcludesEveryone) {
    ek::test::TempDir dir;
    std::ofstream(dir.narrow("f"), std::ios::binary) << "precious";
    Holder child(dir.file("f"), L"rb+");
    ASSERT_TRUE(child.opened());
    ek::fileio f;
    EXPECT_FALSE(f.open(dir.file("f"), L"rb"));
    EXPECT_FALSE(f.open(dir.file("f"), L"rb+"));
    EXPECT_FALSE(f.open(dir.file("f"), L"wb"));
    EXPECT_EQ(read_text(dir.narrow("f")), "precious");
    child.release();
    EXPECT_TRUE(f.open(dir.file("f"), L"rb+"));
}

TEST(FileIoProcess, AReaderInAnotherProcessSharesReading) {
    ek::test::TempDir dir;
    std::ofstream(dir.narrow("f"), std::ios::binary) << "shared";
    Holder child(dir.file("f"), L"rb");
    ASSERT_TRUE(child.opened());
    ek::fileio f;
    EXPECT_TRUE(f.open(dir.file("f"), L"rb"));
    f.close();
    EXPECT_FALSE(f.open(dir.file("f"), L"rb+"));
    EXPECT_FALSE(f.open(dir.file("f"), L"wb"));
    EXPECT_EQ(read_text(dir.narrow("f")), "shared");
}

TEST(FileIoProcess, TheChildCannotOpenWhatTheParentWrites) {
    ek::test::TempDir dir;
    ek::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), L"wb"));
    {
        Holder child(dir.file("f"), L"rb");
        EXPECT_FALSE(child.opened());
    }
    f.close();
    Holder child(dir.file("f"), L"rb");
    EXPECT_TRUE(child.opened());
}
