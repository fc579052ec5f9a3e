#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quarlo::catalogue {

// p with the separator appended unless it already ends in one; "" gives the
// separator alone.
std::string EnsureTrailingSlash(const std::string& p, char separator);

// Catalogue of one folder tree: every folder below a parent, level by level,
// and every file in each of them.
class PathLog {
  public:
    // Takes the file-system service for the walks, replacing any earlier one.
    void PathLogInit(const platform::FileSystem* service) { service_ = service; }

    // Releases the service; LogPath does nothing until PathLogInit runs again.
    void Terminate() { service_ = nullptr; }

    // Walks strPARENT breadth first. strPaths[0] is the parent with a trailing
    // separator, then every folder below it, each a full path ending in one
    // separator; siblings are consecutive and keep the service's order.
    // strFNAMES and lngPptrs hold each file's bare name and the index of its
    // folder in strPaths (one "" and one 0 when there are no files). A parent
    // that is not an existing folder leaves all three and the file count as
    // they were. A folder reached a second time through a link is not listed
    // again, and one that cannot be listed contributes no entries.
    void LogPath(const std::string& strPARENT, std::vector<std::string>& strFNAMES,
                 std::vector<std::int32_t>& lngPptrs, std::vector<std::string>& strPaths);

    std::int32_t fileCount() const { return fileCount_; }

  private:
    const platform::FileSystem* service_ = nullptr;
    std::int32_t fileCount_ = 0;
};

}  // namespace quarlo::catalogue
