#include "convert/folder_swap.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert/memory_file_operations.h"
#include "convert/staging_record.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;

const std::string kParent = "\\work\\real";
const std::string kOutput = "\\work\\real\\out";
const std::string kBookkeeping = "\\work\\real\\.quillery";
const std::string kBuild = "\\work\\real\\.quillery\\build";
const std::string kPrevious = "\\work\\real\\.quillery\\previous";
const std::string kRecord = "\\work\\real\\.quillery\\swap";
const std::string kSentinel = "\\work\\sentinel";

// An earlier output at `out`, a new one built, and a sentinel folder
// outside the place that nothing may touch.
struct World {
  MemoryFileOperations files;
  SwapRecord record;

  World() {
    files.AddFile(kOutput + "\\doc.htm", "earlier");
    files.AddFile(kBuild + "\\doc.htm", "new");
    files.AddFile(kSentinel + "\\keep.htm", "keep me");
    files.AddFile(kSentinel + "\\out\\doc.htm", "keep me too");
    record.parentDevice = files.LookAt(kParent).device;
    record.parentInode = files.LookAt(kParent).inode;
    record.newInode = files.LookAt(kBuild).inode;
    record.earlierInode = files.LookAt(kOutput).inode;
    record.name = "out";
  }
  void Record() { files.AddFile(kRecord, FormatSwapRecord(record)); }
  // The output as it stands, told from its folder's inode.
  std::string Output() {
    const PathFacts facts = files.LookAt(kOutput);
    if (!facts.exists) return "none";
    if (facts.inode == record.earlierInode) return "earlier";
    if (facts.inode == record.newInode) return "new";
    return "another";
  }
};

// Where a kill can leave a swap, and what the next run makes of it.
TEST(FinishInterruptedSwap, FinishesOrUndoesEveryStateAKillLeaves) {
  struct Row {
    const char* name;
    std::function<void(World&)> setUp;
    const char* output;
  };
  const Row rows[] = {
      {"recorded, nothing moved", [](World& w) { w.Record(); }, "earlier"},
      {"a record cut short",
       [](World& w) {
         w.files.AddFile(kBookkeeping + "\\swap.part", "quillery swap re");
       },
       "earlier"},
      {"the earlier output moved aside",
       [](World& w) {
         w.Record();
         w.files.RenameFile(kOutput, kPrevious);
       },
       "new"},
      {"moved aside, and the build removed since",
       [](World& w) {
         w.Record();
         w.files.RenameFile(kOutput, kPrevious);
         w.files.RemoveFile(kBuild + "\\doc.htm");
         w.files.RemoveFolder(kBuild);
       },
       "earlier"},
      {"both moved",
       [](World& w) {
         w.Record();
         w.files.RenameFile(kOutput, kPrevious);
         w.files.RenameFile(kBuild, kOutput);
       },
       "new"},
      {"both moved, the earlier output half removed",
       [](World& w) {
         w.Record();
         w.files.RenameFile(kOutput, kPrevious);
         w.files.RenameFile(kBuild, kOutput);
         w.files.RemoveFile(kPrevious + "\\doc.htm");
       },
       "new"},
      {"both moved, the earlier output removed",
       [](World& w) {
         w.Record();
         w.files.RenameFile(kOutput, kPrevious);
         w.files.RenameFile(kBuild, kOutput);
         w.files.RemoveFile(kPrevious + "\\doc.htm");
         w.files.RemoveFolder(kPrevious);
       },
       "new"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    World world;
    row.setUp(world);
    FinishInterruptedSwap(world.files, kParent);
    EXPECT_EQ(world.Output(), row.output);
    EXPECT_EQ(world.files.Contents(kOutput + "\\doc.htm"),
              std::string(row.output) == "new" ? "new" : "earlier");
    EXPECT_FALSE(world.files.LookAt(kRecord).exists);
    EXPECT_FALSE(world.files.LookAt(kPrevious).exists);
    EXPECT_FALSE(world.files.LookAt(kBookkeeping + "\\swap.part").exists);
  }
}

// The next run may itself be killed while it finishes a swap: the run after
// it still finishes it.
TEST(FinishInterruptedSwap, AKillWhileFinishingIsFinishedByTheRunAfter) {
  struct Killed {};
  for (std::size_t killAt = 1;; ++killAt) {
    SCOPED_TRACE(killAt);
    World world;
    world.Record();
    world.files.RenameFile(kOutput, kPrevious);
    std::size_t seen = 0;
    world.files.SetHook([&seen, killAt](const FileCall&) {
      if (++seen == killAt) throw Killed();
    });
    bool killed = false;
    try {
      FinishInterruptedSwap(world.files, kParent);
    } catch (const Killed&) {
      killed = true;
    }
    world.files.SetHook(nullptr);
    const std::string between = world.Output();
    EXPECT_TRUE(between == "none" || between == "new") << between;
    FinishInterruptedSwap(world.files, kParent);
    EXPECT_EQ(world.Output(), "new");
    EXPECT_EQ(world.files.Contents(kOutput + "\\doc.htm"), "new");
    EXPECT_FALSE(world.files.LookAt(kRecord).exists);
    EXPECT_FALSE(world.files.LookAt(kPrevious).exists);
    if (!killed) break;
  }
}

// A record or a folder planted by someone else is never acted on: nothing
// outside the place changes, and a record that does not belong to the
// folders it names is refused with nothing moved.
TEST(FinishInterruptedSwap, ActsOnNothingPlantedAndNeverOutsideThePlace) {
  struct Row {
    const char* name;
    std::function<void(World&)> setUp;
    bool refused;
  };
  auto moveAside = [](World& w) { w.files.RenameFile(kOutput, kPrevious); };
  const Row rows[] = {
      {"a record naming the folder above",
       [&](World& w) {
         w.files.AddFile(
             kRecord, "quillery swap record 1 " +
                          std::to_string(w.record.parentDevice) + " " +
                          std::to_string(w.record.parentInode) + " 1 2 ..\n");
         moveAside(w);
       },
       true},
      {"a record naming a path out",
       [&](World& w) {
         w.files.AddFile(kRecord, "quillery swap record 1 " +
                                      std::to_string(w.record.parentDevice) +
                                      " " +
                                      std::to_string(w.record.parentInode) +
                                      " 1 2 ..\\..\\sentinel\\out\n");
         moveAside(w);
       },
       true},
      {"a record naming the bookkeeping folder",
       [&](World& w) {
         w.record.name = ".quillery";
         w.Record();
       },
       true},
      {"a record written for another folder",
       [&](World& w) {
         ++w.record.parentInode;
         w.Record();
         moveAside(w);
       },
       true},
      {"a record that is a link",
       [&](World& w) {
         w.files.AddFile(kSentinel + "\\record", FormatSwapRecord(w.record));
         w.files.AddLink(kRecord, kSentinel + "\\record");
         moveAside(w);
       },
       true},
      {"a record that is a folder",
       [&](World& w) {
         w.files.AddFolder(kRecord);
         moveAside(w);
       },
       true},
      {"a record too large",
       [&](World& w) {
         w.files.AddFile(kRecord, FormatSwapRecord(w.record) +
                                      std::string(kMaxSwapRecord, ' '));
         moveAside(w);
       },
       true},
      {"the output moved aside for a link out",
       [&](World& w) {
         w.Record();
         w.files.RemoveFile(kOutput + "\\doc.htm");
         w.files.RemoveFolder(kOutput);
         w.files.AddLink(kPrevious, kSentinel);
       },
       true},
      {"the build swapped for a link out",
       [&](World& w) {
         w.Record();
         moveAside(w);
         w.files.RemoveFile(kBuild + "\\doc.htm");
         w.files.RemoveFolder(kBuild);
         w.files.AddLink(kBuild, kSentinel);
       },
       true},
      {"the output swapped for a link out",
       [&](World& w) {
         w.Record();
         moveAside(w);
         w.files.AddLink(kOutput, kSentinel);
       },
       true},
      {"another folder at the output",
       [&](World& w) {
         w.Record();
         moveAside(w);
         w.files.AddFile(kOutput + "\\mine.htm", "the user's");
       },
       true},
      {"no record, a link aside",
       [&](World& w) { w.files.AddLink(kPrevious, kSentinel); }, false},
      {"a cut record that is a link",
       [&](World& w) {
         w.files.AddLink(kBookkeeping + "\\swap.part",
                         kSentinel + "\\keep.htm");
       },
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    World world;
    row.setUp(world);
    const Tree sentinel = world.files.Tree(kSentinel);
    const Tree place = world.files.Tree(kParent);
    std::string message;
    try {
      FinishInterruptedSwap(world.files, kParent);
    } catch (const FileError& error) {
      message = error.what();
    }
    EXPECT_EQ(world.files.Tree(kSentinel), sentinel);
    if (row.refused) {
      EXPECT_EQ(message.rfind("refusing to work in '/work/real': "
                              "'/work/real/.quillery/swap' ",
                              0),
                0u)
          << message;
      EXPECT_NE(message.find("; remove it and run again"), std::string::npos);
      EXPECT_EQ(world.files.Tree(kParent), place);
    } else {
      EXPECT_EQ(message, "");
      EXPECT_EQ(world.Output(), "earlier");
      EXPECT_EQ(world.files.FolderEntries(kBookkeeping),
                std::vector<std::string>{"build"});
    }
  }
}

// A swap made without an exchange: the record is durable before the first
// rename, and the earlier output goes only once the swap is durable.
TEST(SwapByRenames, RecordsTheSwapBeforeMovingAndRemovesItLast) {
  World world;
  const SwapFolders folders{kParent, kBookkeeping, kBuild, kOutput};
  std::vector<std::string> calls;
  world.files.SetHook([&calls](const FileCall& call) {
    if (call.name != "LookAt" && call.name != "FolderEntries" &&
        call.name != "NewFileMode") {
      calls.push_back(std::string(call.name) + " " + call.path +
                      (call.to.empty() ? "" : " " + call.to));
    }
  });
  SwapByRenames(world.files, folders);
  EXPECT_EQ(world.Output(), "new");
  EXPECT_EQ(world.files.Contents(kRecord), FormatSwapRecord(world.record));
  SyncSwappedFolders(world.files, folders);
  RemovePreviousOutput(world.files, folders);
  const std::string part = kBookkeeping + "\\swap.part";
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "WriteNewFile " + part,
                       "SyncFileSystem " + kBookkeeping,
                       "RenameFile " + part + " " + kRecord,
                       "SyncFolder " + kBookkeeping,
                       "RenameFile " + kOutput + " " + kPrevious,
                       "RenameFile " + kBuild + " " + kOutput,
                       "SyncFolder " + kParent,
                       "SyncFolder " + kBookkeeping,
                       "RemoveFile " + kPrevious + "\\doc.htm",
                       "RemoveFolder " + kPrevious,
                       "RemoveFile " + kRecord,
                   }));
  EXPECT_EQ(world.files.FolderEntries(kBookkeeping),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace quillery
