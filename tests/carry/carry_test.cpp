// Carrying a character between two computers, as two homes on this one: a
// folder place between them, and once an rclone remote over sftp on the
// loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "carry/carry.h"
#include "carry/sha256.h"
#include "platform/process.h"
#include "platform/trash.h"
#include "tests/support/native.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/processes_posix.h"
#endif

namespace quarlo::test {
namespace {

namespace fs = std::filesystem;

// A trash that keeps what it is given in a folder of its own.
class KeepingTrash : public platform::Trash {
  public:
    explicit KeepingTrash(fs::path folder) : folder_(std::move(folder)) {
        fs::create_directories(folder_);
    }
    std::string name() const override { return "trash"; }
    platform::TrashResult moveToTrash(const std::vector<std::string>& paths) override {
        for (const std::string& p : paths) {
            fs::rename(fs::path(p),
                       folder_ / (std::to_string(n_++) + "-" + fs::path(p).filename().string()));
        }
        return {platform::TrashOutcome::done, paths};
    }
    std::map<std::string, std::string> held() const;

  private:
    fs::path folder_;
    int n_ = 0;
};

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> out;
    if (!fs::exists(folder)) {
        return out;
    }
    for (const auto& e : fs::directory_iterator(folder)) {
        out[e.path().filename().string()] = bytesOf(e.path());
    }
    return out;
}

std::map<std::string, std::string> KeepingTrash::held() const {
    std::map<std::string, std::string> out;
    for (const auto& [name, bytes] : filesIn(folder_)) {
        out[name.substr(name.find('-') + 1)] = bytesOf(folder_ / fs::path(name));
    }
    return out;
}

// One computer: its game folder's Saves, its record, its trash.
struct Computer {
    Computer(const fs::path& home, std::string id, std::string name)
        : saves(home / "Saves"), trash(home / "trash"), files(nativeSaveFiles()) {
        fs::create_directories(saves);
        fs::create_directories(home / "state");
        context = std::make_unique<carry::Context>(
            carry::Context{*files,
                           trash,
                           games::oblivion().saves,
                           "oblivion",
                           saves.string(),
                           (home / "state" / "carry.json").string(),
                           carry::Computer{id, name},
                           [] { return std::string("2026-12-08 21-04"); },
                           {}});
    }
    carry::Report carryTo(carry::Place& place) { return carry::carry(*context, place, {}, false); }
    fs::path saves;
    KeepingTrash trash;
    std::unique_ptr<platform::SaveFiles> files;
    std::unique_ptr<carry::Context> context;
};

const std::string kPc = "0123456789abcdef0123456789abcdef";
const std::string kDeck = "fedcba9876543210fedcba9876543210";

struct Homes {
    TempDir dir;
    Computer pc{dir.path() / "pc", kPc, "PC"};
    Computer deck{dir.path() / "deck", kDeck, "Steam Deck"};
    std::unique_ptr<platform::SaveFiles> files = nativeSaveFiles();
    std::unique_ptr<carry::Place> place;
    Homes() {
        fs::create_directories(dir.path() / "place");
        place = carry::folderPlace(*files, (dir.path() / "place").string());
    }
    fs::path ann(Computer& c) { return c.saves / "Ann"; }
};

// The rules, file by file, against the last state the two agreed on: each
// case starts from both computers holding quicksave.ess (with its co-save)
// and Save 1.ess as agreed, changes each side, then carries the PC, the
// Deck and the PC again; both sides must end as the case says, every
// version still somewhere (a side, or the trash).
TEST(Carry, EachRuleLeavesBothSidesAsItSaysAndLosesNoVersion) {
    using Files = std::map<std::string, std::string>;
    struct Case {
        const char* what;
        Files pcChange;  // bytes; "" removes
        Files deckChange;
        Files both;  // what both Ann folders hold at the end
        Files trashedOnPc;
        Files trashedOnDeck;
    };
    const Files start{{"quicksave.ess", "q1"}, {"quicksave.obse", "o1"}, {"Save 1.ess", "s1"}};
    const Case cases[] = {
        {"changed here only: goes there",
         {{"quicksave.ess", "q2"}},
         {},
         {{"quicksave.ess", "q2"}, {"quicksave.obse", "o1"}, {"Save 1.ess", "s1"}},
         {},
         {}},
        {"changed there only: comes here",
         {},
         {{"Save 1.ess", "s2"}},
         {{"quicksave.ess", "q1"}, {"quicksave.obse", "o1"}, {"Save 1.ess", "s2"}},
         {},
         {}},
        {"changed on both: both kept, the first carried's beside with its co-save",
         {{"quicksave.ess", "pc"}},
         {{"quicksave.ess", "deck"}},
         {{"quicksave.ess", "deck"},
          {"quicksave.obse", "o1"},
          {"quicksave (PC 2026-12-08 21-04).ess", "pc"},
          {"quicksave (PC 2026-12-08 21-04).obse", "o1"},
          {"Save 1.ess", "s1"}},
         {},
         {}},
        {"gone here, unchanged there: to the trash there",
         {{"Save 1.ess", ""}},
         {},
         {{"quicksave.ess", "q1"}, {"quicksave.obse", "o1"}},
         {},
         {{"Save 1.ess", "s1"}}},
        {"gone here, changed there: kept",
         {{"Save 1.ess", ""}},
         {{"Save 1.ess", "s2"}},
         {{"quicksave.ess", "q1"}, {"quicksave.obse", "o1"}, {"Save 1.ess", "s2"}},
         {},
         {}},
        {"new on either side: to the other",
         {{"Save 2.ess", "n2"}},
         {{"Save 3.ess", "n3"}},
         {{"quicksave.ess", "q1"},
          {"quicksave.obse", "o1"},
          {"Save 1.ess", "s1"},
          {"Save 2.ess", "n2"},
          {"Save 3.ess", "n3"}},
         {},
         {}},
        {"the same change on both: nothing kept twice",
         {{"Save 1.ess", "same"}},
         {{"Save 1.ess", "same"}},
         {{"quicksave.ess", "q1"}, {"quicksave.obse", "o1"}, {"Save 1.ess", "same"}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Homes h;
        for (const auto& [name, bytes] : start) {
            put(h.ann(h.pc) / fs::path(name), bytes);
        }
        ASSERT_EQ(h.pc.carryTo(*h.place).status, 0);
        ASSERT_EQ(h.deck.carryTo(*h.place).status, 0);  // a folder made there appears here
        ASSERT_EQ(filesIn(h.ann(h.deck)), start);
        for (auto* side : {&c.pcChange, &c.deckChange}) {
            Computer& at = side == &c.pcChange ? h.pc : h.deck;
            for (const auto& [name, bytes] : *side) {
                if (bytes.empty()) {
                    fs::remove(h.ann(at) / fs::path(name));
                } else {
                    put(h.ann(at) / fs::path(name), bytes);
                }
            }
        }
        for (Computer* turn : {&h.pc, &h.deck, &h.pc, &h.deck}) {
            const carry::Report r = turn->carryTo(*h.place);
            EXPECT_EQ(r.status, 0) << (r.lines.empty() ? "" : r.lines.front());
        }
        EXPECT_EQ(filesIn(h.ann(h.pc)), c.both);
        EXPECT_EQ(filesIn(h.ann(h.deck)), c.both);
        EXPECT_EQ(h.pc.trash.held(), c.trashedOnPc);
        EXPECT_EQ(h.deck.trash.held(), c.trashedOnDeck);
        // Unchanged since: a carry moves nothing and says so.
        const carry::Report again = h.pc.carryTo(*h.place);
        ASSERT_FALSE(again.lines.empty());
        EXPECT_EQ(again.lines.back(), "Success. Ann was up to date.");
    }
}

// What lies at the place is trusted only as far as it checks: a file whose
// bytes do not give its checksum, a list with names that climb out of the
// character's folder or of another form, is reported and left, and nothing
// of it reaches a save folder.
TEST(Carry, DamagedOrPlantedFilesAtThePlaceAreReportedAndLeft) {
    Homes h;
    put(h.ann(h.pc) / "quicksave.ess", "good");
    ASSERT_EQ(h.pc.carryTo(*h.place).status, 0);
    const fs::path place = h.dir.path() / "place/quarlo/oblivion";
    const fs::path object = place / "objects" / carry::sha256Hex("good");
    ASSERT_TRUE(fs::exists(object));
    put(object, "evil");
    carry::Report r = h.deck.carryTo(*h.place);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(h.ann(h.deck) / "quicksave.ess"));
    put(object, "good");
    const std::string list = bytesOf(place / "computers" / (kPc + ".json"));
    struct Planted {
        const char* what;
        std::string text;
        bool wellFormed = false;  // refused for where it lies, not for its form
    };
    std::string climbing = list;
    climbing.replace(climbing.find("quicksave.ess"), 13, "../../evil.ess");
    std::string newer = list;
    newer.replace(newer.find("\"quarloCarry\": 1"), 16, "\"quarloCarry\": 9");
    std::string other = list;
    const std::string named = "\"computer\": \"" + kPc;
    other.replace(other.find(named), named.size(), "\"computer\": \"" + kDeck.substr(0, 31) + "0");
    const Planted planted[] = {{"a name that climbs out", climbing},
                               {"from a newer Quarlo", newer},
                               {"cut", list.substr(0, list.size() / 2)},
                               {"naming another computer", other, true}};
    for (const Planted& p : planted) {
        SCOPED_TRACE(p.what);
        std::string why;
        EXPECT_EQ(carry::parsed(p.text, why).has_value(), p.wellFormed);
        put(place / "computers" / (kPc + ".json"), p.text);
        r = h.deck.carryTo(*h.place);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.lines.front().rfind("Failed. The list of another computer", 0), 0u)
            << r.lines.front();
        EXPECT_FALSE(fs::exists(h.dir.path() / "deck/evil.ess"));
        EXPECT_FALSE(fs::exists(h.ann(h.deck) / "quicksave.ess"));
    }
    for (const char* name : {"..", "a/b", "C:x", "con.ess", "", " lead", "trail."}) {
        EXPECT_FALSE(carry::plainName(name)) << name;
    }
    // The checksum itself, on FIPS 180's examples (whichever rounds the
    // processor runs).
    EXPECT_EQ(carry::sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(carry::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(carry::sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// A place that stops answering after a number of calls: a kill, a dropped
// network, a full drive at each step.
class CutPlace : public carry::Place {
  public:
    CutPlace(carry::Place& real, int calls) : real_(real), left_(calls) {}
    std::optional<std::vector<std::string>> list(const std::string& f) override {
        return go() ? real_.list(f) : std::nullopt;
    }
    std::optional<std::string> read(const std::string& p, std::size_t n) override {
        return go() ? real_.read(p, n) : std::nullopt;
    }
    bool put(const std::string& l, const std::string& p, const std::string& s,
             const platform::FileStamp* u) override {
        return go() && real_.put(l, p, s, u);
    }
    bool commit() override { return go() && real_.commit(); }
    bool putBytes(const std::string& b, const std::string& p) override {
        if (before && left_ == 1) {
            before();  // another computer carries right before this one's list
        }
        return go() && real_.putBytes(b, p);
    }
    bool fetch(const std::string& p, const std::string& l) override {
        return go() && real_.fetch(p, l);
    }
    std::function<void()> before;
    bool cut() const { return left_ < 0; }

  private:
    bool go() {
        if (--left_ < 0) {
            why_ = "cut off";
            return false;
        }
        return true;
    }
    carry::Place& real_;
    int left_;
};

// Cut off at each call, then carried again: both sides end with every
// version, none twice; and another computer carrying in the middle of a
// carry loses nothing of either.
TEST(Carry, ACarryCutOffAtAnyCallIsFinishedByTheNextAndTwoAtOnceLoseNothing) {
    for (int calls = 0;; ++calls) {
        SCOPED_TRACE("cut after " + std::to_string(calls) + " calls");
        Homes h;
        put(h.ann(h.pc) / "quicksave.ess", "q1");
        put(h.ann(h.pc) / "Save 1.ess", "s1");
        ASSERT_EQ(h.pc.carryTo(*h.place).status, 0);
        ASSERT_EQ(h.deck.carryTo(*h.place).status, 0);
        put(h.ann(h.pc) / "quicksave.ess", "pc");
        put(h.ann(h.deck) / "quicksave.ess", "deck");
        put(h.ann(h.deck) / "Save 2.ess", "s2");
        CutPlace cut(*h.place, calls);
        h.deck.carryTo(cut);
        const bool finished = !cut.cut();
        for (Computer* turn : {&h.deck, &h.pc, &h.deck}) {
            EXPECT_EQ(turn->carryTo(*h.place).status, 0);
        }
        // Which side's quicksave keeps the name depends on where the cut
        // fell; both are there, once each, on both sides.
        const auto pc = filesIn(h.ann(h.pc));
        EXPECT_EQ(pc, filesIn(h.ann(h.deck)));
        std::multiset<std::string> held;
        for (const auto& [name, bytes] : pc) {
            held.insert(bytes);
        }
        EXPECT_EQ(held, (std::multiset<std::string>{"pc", "deck", "s1", "s2"}));
        EXPECT_EQ(pc.count("quicksave.ess") + pc.count("Save 1.ess") + pc.count("Save 2.ess"), 3u);
        if (finished) {
            break;
        }
    }
    // The PC carries while the Deck is about to record its carry.
    Homes h;
    put(h.ann(h.pc) / "quicksave.ess", "q1");
    ASSERT_EQ(h.pc.carryTo(*h.place).status, 0);
    ASSERT_EQ(h.deck.carryTo(*h.place).status, 0);
    put(h.ann(h.pc) / "quicksave.ess", "pc");
    put(h.ann(h.deck) / "Save 2.ess", "s2");
    CutPlace racing(*h.place, 1000);
    racing.before = [&] { EXPECT_EQ(h.pc.carryTo(*h.place).status, 0); };
    EXPECT_EQ(h.deck.carryTo(racing).status, 0);
    for (Computer* turn : {&h.pc, &h.deck, &h.pc}) {
        EXPECT_EQ(turn->carryTo(*h.place).status, 0);
    }
    const std::map<std::string, std::string> both{{"quicksave.ess", "pc"}, {"Save 2.ess", "s2"}};
    EXPECT_EQ(filesIn(h.ann(h.pc)), both);
    EXPECT_EQ(filesIn(h.ann(h.deck)), both);
}

#ifndef _WIN32
// The same rules once through rclone, against `rclone serve sftp` on the
// loopback, started and stopped here.
TEST(Carry, ThroughAnRcloneRemoteOverSftp) {
    platform::posix::PosixProcesses processes;
    if (processes.capture({"rclone", "version"}, 20000, 1 << 20).status != 0) {
        GTEST_SKIP() << "rclone is not installed";
    }
    Homes h;
    fs::create_directories(h.dir.path() / "remote");
    fs::create_directories(h.dir.path() / "scratch");
    put(h.dir.path() / "rclone.conf", "");
    ::setenv("RCLONE_CONFIG", (h.dir.path() / "rclone.conf").c_str(), 1);
    std::random_device random;
    const int port = 20000 + static_cast<int>(random() % 20000);
    const std::string pass = processes.capture({"rclone", "obscure", "quarlo"}, 20000, 1 << 10).out;
    const std::string root = (h.dir.path() / "remote").string();
    const std::string addr = "127.0.0.1:" + std::to_string(port);
    const pid_t server = ::fork();
    if (server == 0) {
        ::execlp("rclone", "rclone", "serve", "sftp", root.c_str(), "--addr", addr.c_str(),
                 "--user", "q", "--pass", "quarlo", "-q", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(server, 0);
    const std::string remote = ":sftp,host=127.0.0.1,port=" + std::to_string(port) +
                               ",user=q,pass=" + pass.substr(0, pass.find('\n')) + ":carry";
    auto place = carry::rclonePlace(processes, *h.files, "rclone", remote,
                                    (h.dir.path() / "scratch").string(), 20000);
    // The server's first moments.
    for (int i = 0; i < 50 && !place->list(""); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    put(h.ann(h.pc) / "quicksave.ess", "q1");
    put(h.ann(h.pc) / "quicksave.obse", "o1");
    EXPECT_EQ(h.pc.carryTo(*place).status, 0);
    EXPECT_EQ(h.deck.carryTo(*place).status, 0);
    put(h.ann(h.pc) / "quicksave.ess", "pc");
    put(h.ann(h.deck) / "quicksave.ess", "deck");
    for (Computer* turn : {&h.pc, &h.deck, &h.pc}) {
        const carry::Report r = turn->carryTo(*place);
        EXPECT_EQ(r.status, 0) << (r.lines.empty() ? "" : r.lines.back());
    }
    const std::map<std::string, std::string> both{{"quicksave.ess", "deck"},
                                                  {"quicksave.obse", "o1"},
                                                  {"quicksave (PC 2026-12-08 21-04).ess", "pc"},
                                                  {"quicksave (PC 2026-12-08 21-04).obse", "o1"}};
    EXPECT_EQ(filesIn(h.ann(h.pc)), both);
    EXPECT_EQ(filesIn(h.ann(h.deck)), both);
    // No half file left under a real name, no part left at all.
    for (const auto& e : fs::recursive_directory_iterator(h.dir.path() / "remote")) {
        EXPECT_EQ(e.path().filename().string().find(".part-"), std::string::npos);
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    ::unsetenv("RCLONE_CONFIG");
}
#endif

}  // namespace
}  // namespace quarlo::test
