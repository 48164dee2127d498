// Saving among other users: folders others may write to (a shared folder
// with the sticky bit, a team folder of a group). Each case runs the save in
// a child process that has become another user, so the tests need root; as
// any other user they are skipped.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "chart/chart_file.h"
#include "temp_dir.h"
#include "text/messages.h"
#include "text/text_encoding.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

struct User {
    uid_t uid;
    gid_t gid;                  // the primary group
    std::vector<gid_t> groups;  // the others it belongs to
};

// Runs what in a child process that is user, and hands back its outcome.
Status as_user(const User& user, const std::function<Status()>& what) {
    int out[2];
    if (::pipe(out) != 0) return Status::failure(static_cast<MessageId>(-1), "pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        Status s = Status::failure(static_cast<MessageId>(-2), "could not become the user");
        if (::setgroups(user.groups.size(), user.groups.data()) == 0 && ::setgid(user.gid) == 0 &&
            ::setuid(user.uid) == 0) {
            ::umask(002);
            s = what();
        }
        const std::string report = std::to_string(static_cast<int>(s.message_id)) + "\n" + s.first_line;
        [[maybe_unused]] const ssize_t put = ::write(out[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::size_t end = report.find('\n');
    if (end == std::string::npos) return Status::failure(static_cast<MessageId>(-3), "the child died");
    return Status::failure(static_cast<MessageId>(std::stoi(report.substr(0, end))), report.substr(end + 1));
}

Chart chart_of(int nodes) {
    Chart chart;
    chart.reset(1920, 1080);
    for (int i = 0; i < nodes; ++i)
        add_node(chart, "/data/list" + std::to_string(i) + ".csv", {10 * i, 20 * i}, 1.0, kSourceNode,
                 cp932::literal("名簿"), i);
    return chart;
}

Status save(const fs::path& path, int nodes, bool backup = true) {
    Chart chart = chart_of(nodes);
    return save_chart(path, chart, backup);
}

std::string bytes_of(int nodes) { return chart_file_bytes(chart_of(nodes)); }

void own(const fs::path& path, const User& user, gid_t group, mode_t mode) {
    ASSERT_EQ(::lchown(path.c_str(), user.uid, group), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

struct stat stat_of(const fs::path& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

}  // namespace

// Another user plants symbolic links in a shared folder (mode 1777) at the
// names a save or a cp932 copy would use, pointing at a file of the victim
// elsewhere. The victim cannot remove them; nothing is ever written through
// them: a save makes its backup under a name of its own, and a name taken by
// what cannot be replaced is refused, named.
TEST(SaveSafety, ALinkPlantedByAnotherUserNeverMakesASaveWriteThroughIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    const User victim{65534, 65534, {}};
    TempDir base;
    ASSERT_EQ(::chmod(base.path().c_str(), 0755), 0);
    const fs::path home = base / "home";
    const fs::path shared = base / "shared";
    fs::create_directory(home);
    fs::create_directory(shared);
    own(home, victim, victim.gid, 0755);
    own(shared, {0, 0, {}}, 0, 01777);
    const fs::path notes = home / "notes.txt";
    write_bytes(notes, "my notes\n");
    own(notes, victim, victim.gid, 0600);

    // A planted NAME.tsy.bak.new.
    const fs::path chart = shared / "c.tsy";
    ASSERT_TRUE(as_user(victim, [&] { return save(chart, 1); }));
    fs::create_symlink(notes, shared / "c.tsy.bak.new");
    const Status saved = as_user(victim, [&] { return save(chart, 2); });
    EXPECT_TRUE(saved) << saved.message_id << " " << saved.first_line;
    EXPECT_EQ(read_bytes(notes), "my notes\n");
    EXPECT_EQ(stat_of(notes).st_mode & 07777, 0600u);
    EXPECT_TRUE(read_bytes(chart) == bytes_of(2));
    EXPECT_TRUE(read_bytes(shared / "c.tsy.bak") == bytes_of(1));
    EXPECT_TRUE(S_ISREG(stat_of(shared / "c.tsy.bak").st_mode));

    // A planted NAME.tsy.bak: the save is refused, naming it.
    const fs::path other = shared / "d.tsy";
    ASSERT_TRUE(as_user(victim, [&] { return save(other, 1); }));
    fs::create_symlink(notes, shared / "d.tsy.bak");
    const Status refused = as_user(victim, [&] { return save(other, 2); });
    EXPECT_EQ(refused.message_id, MessageId::NameTaken);
    EXPECT_EQ(refused.first_line, (shared / "d.tsy.bak").string());
    EXPECT_FALSE(message_text(MessageId::NameTaken).empty());
    EXPECT_TRUE(read_bytes(other) == bytes_of(1));
    EXPECT_EQ(read_bytes(notes), "my notes\n");
    EXPECT_TRUE(S_ISLNK(stat_of(shared / "d.tsy.bak").st_mode));

    // A planted cp932 copy of a UTF-8 list, even one the user agreed to replace.
    const fs::path list = shared / "list.csv";
    ASSERT_TRUE(as_user(victim, [&] {
        write_bytes(list, "1,山田\n");
        return Status::ok();
    }));
    fs::create_symlink(notes, cp932_copy_path(list));
    const Status copied =
        as_user(victim, [&] { return make_cp932_copy(list, TextEncoding::Utf8, cp932_copy_path(list)).status; });
    EXPECT_EQ(copied.message_id, MessageId::NameTaken);
    EXPECT_EQ(copied.first_line, cp932_copy_path(list).string());
    EXPECT_EQ(read_bytes(notes), "my notes\n");
}

// Members of a group share a team folder (0775, no setgid). A save by one
// member keeps the chart's group and mode, so the others can go on saving it;
// a save refused because a file or folder is another user's says so.
TEST(SaveSafety, AGroupFolderKeepsTheGroupAndSaysWhoseFileStopsASave) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    constexpr gid_t team_group = 65510;
    const User owner{65501, 65501, {team_group}};
    const User member{65502, 65502, {team_group}};
    TempDir base;
    ASSERT_EQ(::chmod(base.path().c_str(), 0755), 0);
    const fs::path team = base / "team";
    fs::create_directory(team);
    own(team, owner, team_group, 0775);

    const fs::path chart = team / "c.tsy";
    ASSERT_TRUE(as_user(owner, [&] { return save(chart, 1); }));
    own(chart, owner, team_group, 0664);  // shared with the group

    const Status by_member = as_user(member, [&] { return save(chart, 2); });
    ASSERT_TRUE(by_member) << by_member.message_id;
    EXPECT_EQ(stat_of(chart).st_uid, member.uid);
    EXPECT_EQ(stat_of(chart).st_gid, team_group);
    EXPECT_EQ(stat_of(chart).st_mode & 07777, 0664u);
    const Status by_owner = as_user(owner, [&] { return save(chart, 3); });
    EXPECT_TRUE(by_owner) << by_owner.message_id;
    EXPECT_TRUE(read_bytes(chart) == bytes_of(3));
    EXPECT_EQ(stat_of(chart).st_gid, team_group);

    // A chart the member keeps to themselves.
    const fs::path mine = team / "mine.tsy";
    ASSERT_TRUE(as_user(member, [&] { return save(mine, 1); }));
    own(mine, member, member.gid, 0644);
    const Status not_writable = as_user(owner, [&] { return save(mine, 2); });
    EXPECT_EQ(not_writable.message_id, MessageId::OthersFile);
    EXPECT_EQ(not_writable.first_line, mine.string());

    // In a sticky folder, a file of another user cannot be replaced even
    // when it may be written.
    const fs::path sticky = base / "sticky";
    fs::create_directory(sticky);
    own(sticky, {0, 0, {}}, 0, 01777);
    const fs::path theirs = sticky / "c.tsy";
    ASSERT_TRUE(as_user(member, [&] { return save(theirs, 1); }));
    own(theirs, member, member.gid, 0666);
    const Status in_sticky = as_user(owner, [&] { return save(theirs, 2); });
    EXPECT_EQ(in_sticky.message_id, MessageId::OthersFile);
    EXPECT_EQ(in_sticky.first_line, theirs.string());
    EXPECT_TRUE(read_bytes(theirs) == bytes_of(1));

    // A folder of another user.
    const fs::path their_folder = base / "theirs";
    fs::create_directory(their_folder);
    own(their_folder, member, member.gid, 0755);
    const Status no_folder = as_user(owner, [&] { return save(their_folder / "new.tsy", 1); });
    EXPECT_EQ(no_folder.message_id, MessageId::OthersFolder);
    EXPECT_EQ(no_folder.first_line, their_folder.string());
    for (MessageId id : {MessageId::OthersFile, MessageId::OthersFolder}) EXPECT_FALSE(message_text(id).empty()) << id;
}
