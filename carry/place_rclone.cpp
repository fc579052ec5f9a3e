#include <nlohmann/json.hpp>

#include <random>

#include "carry/place.h"
#include "platform/process.h"
#include "platform/save_files.h"
#include "texts/catalogue.h"

namespace quarlo::carry {

namespace {

// rclone is called with its plain verbs only (lsjson, cat, copyto, moveto):
// never sync or bisync, which mirror one side's deletions onto the other.
class RclonePlace : public Place {
  public:
    RclonePlace(platform::Processes& processes, platform::SaveFiles& files, std::string rclone,
                std::string remote, std::string scratch, int limitMs)
        : processes_(processes),
          files_(files),
          rclone_(std::move(rclone)),
          remote_(std::move(remote)),
          scratch_(std::move(scratch)),
          limitMs_(limitMs) {
        while (!remote_.empty() && remote_.back() == '/') {
            remote_.pop_back();
        }
    }

    std::optional<std::vector<std::string>> list(const std::string& folder) override {
        const auto got =
            run({"lsjson", "--files-only", "--no-modtime", "--no-mimetype", at(folder)}, 64u << 20);
        if (!got) {
            // A folder that is not there yet is no failure.
            if (notFound_) {
                return std::vector<std::string>{};
            }
            return std::nullopt;
        }
        std::vector<std::string> names;
        try {
            const nlohmann::json listed = nlohmann::json::parse(*got);
            for (const auto& e : listed) {
                if (e.is_object() && e.contains("Name") && e["Name"].is_string() &&
                    !e.value("IsDir", false)) {
                    names.push_back(e["Name"].get<std::string>());
                }
            }
        } catch (const nlohmann::json::exception&) {
            why_ = texts::format(N_("rclone listed {1} in a form Quarlo does not know"), {folder});
            return std::nullopt;
        }
        return names;
    }

    std::optional<std::string> read(const std::string& path, std::size_t largest) override {
        const auto got = run({"cat", at(path)}, largest);
        return got;
    }

    bool put(const std::string& localFile, const std::string& path, const std::string& sha256,
             const platform::FileStamp* unchanged) override {
        (void)unchanged;  // what goes up is always checked: it leaves this computer
        // What goes up is a copy of Quarlo's own, checked first: the save
        // may change while rclone reads it.
        const std::string copy = scratch_ + files_.separator() + "up-" + token();
        if (files_.copyNew(localFile, copy) != platform::FileOutcome::done) {
            why_ = texts::format(N_("cannot copy {1} to Quarlo's own folder {2}"),
                                 {localFile, scratch_});
            return false;
        }
        const bool same = fileSha256(files_, copy) == sha256;
        const bool ok = same && upload(copy, path);
        files_.remove(copy);
        if (!same) {
            why_ = N_("a file changed while it was carried");
        }
        return ok;
    }

    bool putBytes(const std::string& bytes, const std::string& path) override {
        const std::string local = scratch_ + files_.separator() + "up-" + token();
        if (!files_.writeNew(local, bytes)) {
            why_ = texts::format(N_("cannot write in Quarlo's own folder {1}"), {scratch_});
            return false;
        }
        const bool ok = upload(local, path);
        files_.remove(local);
        return ok;
    }

    bool fetch(const std::string& path, const std::string& localFile) override {
        return run({"copyto", at(path), localFile}, 1u << 20).has_value();
    }

  private:
    // Up beside its name first, then moved: a remote that another computer
    // lists mid-upload sees no half file under a real name.
    bool upload(const std::string& localFile, const std::string& path) {
        const std::string part = path + ".part-" + token();
        if (!run({"copyto", localFile, at(part)}, 1u << 20)) {
            return false;
        }
        if (!run({"moveto", at(part), at(path)}, 1u << 20)) {
            const std::string why = why_;
            run({"deletefile", at(part)}, 1u << 20);
            why_ = why;
            return false;
        }
        return true;
    }
    std::string at(const std::string& path) const {
        if (path.empty()) {
            return remote_;
        }
        const char last = remote_.empty() ? ':' : remote_.back();
        return remote_ + (last == ':' ? "" : "/") + path;
    }
    std::optional<std::string> run(std::vector<std::string> args, std::size_t largest) {
        notFound_ = false;
        args.insert(args.begin(), rclone_);
        // Checksums and sizes are compared by Quarlo itself; rclone is told
        // not to guess from times.
        const platform::Processes::Captured got = processes_.capture(args, limitMs_, largest);
        if (got.status == 0 && !got.timedOut) {
            why_.clear();
            return got.out;
        }
        if (got.timedOut) {
            why_ = texts::format(N_("rclone did not answer within {1} s"),
                                 {std::to_string(limitMs_ / 1000)});
        } else if (got.status == platform::kCannotStart) {
            why_ =
                N_("rclone is not installed (on Linux: sudo apt install rclone; on Windows: put "
                   "rclone.exe on the PATH or give its path with --rclone)");
        } else {
            // rclone's exit status 3: directory not found, 4: file not found.
            notFound_ = got.status == 3 || got.status == 4;
            std::string said = got.err;
            while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) {
                said.pop_back();
            }
            const std::size_t line = said.rfind('\n');
            said = line == std::string::npos ? said : said.substr(line + 1);
            if (said.size() > 200) {
                said = said.substr(said.size() - 200);
            }
            // What rclone said is its own, in English.
            why_ = said.empty() ? texts::format(N_("rclone {1} failed ({2})"),
                                                {args[1], std::to_string(got.status)})
                                : texts::format(N_("rclone {1} failed ({2}): {3}"),
                                                {args[1], std::to_string(got.status), said});
        }
        return std::nullopt;
    }
    static std::string token() {
        std::random_device random;
        return std::to_string(random()) + std::to_string(random());
    }

    platform::Processes& processes_;
    platform::SaveFiles& files_;
    std::string rclone_;
    std::string remote_;
    std::string scratch_;
    int limitMs_;
    bool notFound_ = false;
};

}  // namespace

std::unique_ptr<Place> rclonePlace(platform::Processes& processes, platform::SaveFiles& files,
                                   std::string rclone, std::string remote, std::string scratch,
                                   int limitMs) {
    return std::make_unique<RclonePlace>(processes, files, std::move(rclone), std::move(remote),
                                         std::move(scratch), limitMs);
}

}  // namespace quarlo::carry
