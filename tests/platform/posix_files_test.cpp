// The POSIX file calls against a hostile file system: FIFOs where documents were, links
// swapped in for names, access changed only through open descriptors, a log on a full disk,
// and the pseudo file systems a walk must not enter.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "engine/platform/platform.h"

namespace qv::platform {
namespace {

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ToNarrow(CreatePrivateTempFolder());
    ASSERT_FALSE(root_.empty());
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + root_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string Child(const std::string& name) const { return root_ + "/" + name; }
  static std::u16string W(const std::string& path) { return FromNarrow(path); }
  static void Write(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    auto file = File::CreateTruncate(FromNarrow(path));
    ASSERT_TRUE(file);
    ASSERT_EQ(file->WriteAt(0, bytes.data(), bytes.size()), bytes.size());
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  }
  static std::string Read(const std::string& path) {
    auto file = File::OpenRead(FromNarrow(path));
    if (!file) return "<missing>";
    std::string bytes(static_cast<size_t>(file->Size()), '\0');
    file->ReadAt(0, bytes.data(), bytes.size());
    return bytes;
  }
  static mode_t Mode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }
  std::string root_;
};

// A FIFO put where a document was would block a plain open until a writer comes; the opens
// of existing files must refuse it at once, as they refuse devices.
TEST_F(PosixFiles, OpensRefuseFifosAndDevicesWithoutBlocking) {
  const std::string fifo = Child("swapped.doc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  const auto started = std::chrono::steady_clock::now();
  for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/zero")}) {
    EXPECT_FALSE(File::OpenRead(W(path)).has_value()) << path;
    EXPECT_FALSE(File::OpenReadWrite(W(path)).has_value()) << path;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  Write(Child("plain.doc"), "bytes");
  auto plain = File::OpenRead(W(Child("plain.doc")));
  ASSERT_TRUE(plain);
  char buffer[5] = {};
  EXPECT_EQ(plain->ReadAt(0, buffer, sizeof buffer), 5u) << "a regular file reads normally (blocking mode back)";
}

TEST_F(PosixFiles, ReadOnlyStateChangesThroughTheDescriptor) {
  const std::string path = Child("report.doc");
  Write(path, "abc", 0444);
  EXPECT_FALSE(File::OpenReadWrite(W(path)).has_value()) << "read-only is refused for writing, even for root";
  auto file = File::OpenRead(W(path));
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->IsReadOnly());
  ASSERT_TRUE(file->SetReadOnly(false));
  EXPECT_EQ(Mode(path), 0644u);
  EXPECT_TRUE(File::OpenReadWrite(W(path)).has_value());
  ASSERT_TRUE(file->SetReadOnly(true));
  EXPECT_EQ(Mode(path), 0444u) << "every write bit goes, read bits stay";
}

// ClearReadOnly by name must not follow a link that was put in the file's place: the link's
// target (a root-only file, say) keeps its mode.
TEST_F(PosixFiles, ClearReadOnlyNeverFollowsALink) {
  const std::string target = Child("secret");
  Write(target, "secret", 0400);
  ASSERT_EQ(::symlink(target.c_str(), Child("victim.doc").c_str()), 0);
  EXPECT_FALSE(ClearReadOnly(W(Child("victim.doc"))));
  EXPECT_EQ(Mode(target), 0400u);
  Write(Child("plain.doc"), "x", 0444);
  EXPECT_TRUE(ClearReadOnly(W(Child("plain.doc"))));
  EXPECT_EQ(Mode(Child("plain.doc")), 0644u);
}

TEST_F(PosixFiles, TakeAccessOfCopiesModeAndOwnerWhenAllowed) {
  const std::string model = Child("model.docm");
  Write(model, "m", 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(model.c_str(), 65534, 65534), 0);
  }
  auto copy = File::CreateExclusive(W(Child("model.docm.bin")));
  ASSERT_TRUE(copy);
  EXPECT_EQ(Mode(Child("model.docm.bin")), 0600u) << "made private";
  auto source = File::OpenRead(W(model));
  ASSERT_TRUE(source);
  ASSERT_TRUE(copy->TakeAccessOf(*source));
  struct stat st {};
  ASSERT_EQ(::stat(Child("model.docm.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 65534u) << "a rebuilt document stays its owner's";
    EXPECT_EQ(st.st_gid, 65534u);
  } else {
    EXPECT_EQ(st.st_uid, ::geteuid()) << "who may not give a file away keeps it";
  }
}

TEST_F(PosixFiles, CreationNeverWritesThroughAnExistingName) {
  const std::string target = Child("target");
  Write(target, "keep", 0600);
  const std::string link = Child("new.doc");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  EXPECT_FALSE(File::CreateExclusive(W(link)).has_value());
  EXPECT_FALSE(File::CreateNew(W(link)).has_value());
  ASSERT_EQ(::symlink(Child("nowhere").c_str(), Child("dangling").c_str()), 0);
  EXPECT_TRUE(NameExists(W(Child("dangling")))) << "a dangling link is a name too";
  EXPECT_FALSE(File::CreateNew(W(Child("dangling"))).has_value());
  EXPECT_EQ(Read(target), "keep");
  EXPECT_EQ(GetPathKind(W(Child("nowhere"))), PathKind::Missing) << "nothing created at the link's target";
}

TEST_F(PosixFiles, RenameNoReplaceLeavesEveryExistingNameAlone) {
  Write(Child("work"), "new");
  Write(Child("existing"), "old");
  ASSERT_EQ(::symlink(Child("nowhere").c_str(), Child("dangling").c_str()), 0);
  EXPECT_FALSE(RenameNoReplace(W(Child("work")), W(Child("existing"))));
  EXPECT_FALSE(RenameNoReplace(W(Child("work")), W(Child("dangling"))));
  EXPECT_EQ(Read(Child("existing")), "old");
  EXPECT_TRUE(IsLink(W(Child("dangling"))));
  EXPECT_TRUE(RenameNoReplace(W(Child("work")), W(Child("fresh"))));
  EXPECT_EQ(Read(Child("fresh")), "new");
  EXPECT_FALSE(NameExists(W(Child("work"))));
}

TEST_F(PosixFiles, LinksResolveToTheRealFile) {
  Write(Child("real.doc"), "r");
  ASSERT_EQ(::symlink("real.doc", Child("link.doc").c_str()), 0);
  ASSERT_EQ(::symlink(Child("link.doc").c_str(), Child("chain.doc").c_str()), 0);
  EXPECT_TRUE(IsLink(W(Child("chain.doc"))));
  EXPECT_FALSE(IsLink(W(Child("real.doc"))));
  const std::u16string real = RealPath(W(Child("real.doc")));
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(RealPath(W(Child("chain.doc"))), real);
  EXPECT_NE(NameIdentity(W(Child("link.doc"))), FileIdentity(W(Child("link.doc")))) << "the link itself, not its target";
  EXPECT_TRUE(RealPath(W(Child("missing"))).empty());
}

// /proc/<pid>/cwd leads back into the whole file system: walks never enter /proc, /sys,
// /dev, nor a link that leads there.
TEST_F(PosixFiles, PseudoFileSystemsAreRecognisedAlsoThroughLinks) {
  ASSERT_EQ(::symlink("/proc", Child("proc-link").c_str()), 0);
  ASSERT_EQ(::mkdir(Child("plain").c_str(), 0700), 0);
  struct Case {
    std::string folder;
    bool pseudo;
  };
  const Case cases[] = {{"/proc", true},          {"/proc/self", true}, {"/sys", true},
                        {"/dev", true},           {Child("proc-link"), true}, {Child("plain"), false},
                        {root_, false}};
  for (const Case& c : cases) EXPECT_EQ(IsSystemPseudoFolder(W(c.folder)), c.pseudo) << c.folder;
}

TEST_F(PosixFiles, AtOrBelowComparesRealFolders) {
  ASSERT_EQ(::mkdir(Child("tree").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(Child("tree/inner").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(Child("treetop").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(Child("tree/inner").c_str(), Child("tree/back").c_str()), 0);
  ASSERT_EQ(::symlink(Child("treetop").c_str(), Child("tree/out").c_str()), 0);
  const std::u16string tree = RealPath(W(Child("tree")));
  EXPECT_TRUE(IsAtOrBelow(W(Child("tree")), tree));
  EXPECT_TRUE(IsAtOrBelow(W(Child("tree/back")), tree));
  EXPECT_FALSE(IsAtOrBelow(W(Child("tree/out")), tree)) << "\"treetop\" only shares the prefix of the name";
}

// A full disk (here: the file size limit, with its signal ignored) must not pass unnoticed.
TEST_F(PosixFiles, AppendLogNoticesLinesThatCouldNotBeWritten) {
  const std::string path = Child("log.txt");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    AppendLog log;
    if (!log.Open(FromNarrow(path))) ::_exit(3);
    log.Write(std::string(1000, 'a'));
    log.Flush();
    if (log.WriteFailed()) ::_exit(4);  // within the limit: no failure yet
    for (int i = 0; i < 10; ++i) log.Write(std::string(1000, 'b'));
    log.Close();
    ::_exit(log.WriteFailed() ? 0 : 5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no open, 4: failure too early, 5: failure not noticed";

  AppendLog fresh;
  ASSERT_TRUE(fresh.Open(FromNarrow(path)));
  fresh.Write("line\n");
  fresh.Close();
  EXPECT_FALSE(fresh.WriteFailed());
}

TEST_F(PosixFiles, AppendLogRefusesALinkOrAFifoInItsPlace) {
  Write(Child("target"), "keep", 0600);
  ASSERT_EQ(::symlink(Child("target").c_str(), Child("log.txt").c_str()), 0);
  AppendLog log;
  EXPECT_FALSE(log.Open(W(Child("log.txt"))));
  EXPECT_EQ(Read(Child("target")), "keep");
  ASSERT_EQ(::mkfifo(Child("fifo.txt").c_str(), 0600), 0);
  EXPECT_FALSE(log.Open(W(Child("fifo.txt")))) << "and without blocking";
}

}  // namespace
}  // namespace qv::platform
