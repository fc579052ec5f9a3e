#pragma once

#include "platform/trash.h"
#include "texts/catalogue.h"

namespace quarlo::platform::win32 {

// The Recycle Bin, through the shell's file operation with undo.
class Win32Trash : public Trash {
  public:
    std::string name() const override { return NW_("word", "Recycle Bin"); }
    TrashResult moveToTrash(const std::vector<std::string>& paths) override;
};

}  // namespace quarlo::platform::win32
