// Finding a presentation's VBA project records: through the last edit's persist directory,
// by walking the records when that road is broken, and never past the streams' ends.
#include <gtest/gtest.h>

#include "engine/ppt/ppt_records.h"
#include "writers/zip/package_writer.h"
#include "writers/ppt/presentation_writer.h"

namespace qv::ppt {
namespace {

using writers::Bytes;

Bytes SmallProject() { return writers::BuildProjectPart({writers::ovba::CodeModule("Module1", "Sub A()\r\nEnd Sub\r\n")}, "VBAProject"); }

ProjectSearch Search(const writers::PresentationStreams& s) {
  return FindProjectRecords(ByteReader(s.currentUser.data(), s.currentUser.size()),
                            ByteReader(s.document.data(), s.document.size()));
}

TEST(PresentationRecords, TheLastEditLeadsToTheProjectAndItsFlag) {
  const Bytes project = SmallProject();
  const auto streams = writers::BuildPresentationStreams({project});
  const ProjectSearch found = Search(streams);
  EXPECT_TRUE(found.directoryUsed);
  ASSERT_EQ(found.projects.size(), 1u);
  EXPECT_EQ(found.projects[0].record.offset, streams.projectRecord);
  EXPECT_EQ(found.projects[0].record.instance, 1);
  EXPECT_EQ(found.projects[0].uncompressedSize, project.size());
  ASSERT_TRUE(found.projects[0].hasMacrosAt.has_value());
  EXPECT_EQ(*found.projects[0].hasMacrosAt, streams.hasMacrosAt);
  EXPECT_EQ(streams.document[streams.hasMacrosAt], 1);  // the writer's flag is where the reader looks
}

TEST(PresentationRecords, ABrokenDirectoryFallsBackToTheRecordWalk) {
  writers::Presentation p{SmallProject()};
  p.damagedDirectory = true;
  const auto streams = writers::BuildPresentationStreams(p);
  const ProjectSearch found = Search(streams);
  EXPECT_FALSE(found.directoryUsed);
  ASSERT_EQ(found.projects.size(), 1u);
  EXPECT_EQ(found.projects[0].record.offset, streams.projectRecord);
  EXPECT_EQ(found.projects[0].hasMacrosAt, std::optional<uint32_t>(streams.hasMacrosAt));
}

TEST(PresentationRecords, EditsThatLoopOrAMissingCurrentUserFallBackToo) {
  auto streams = writers::BuildPresentationStreams({SmallProject()});
  // offsetLastEdit of the one edit (body offset 8) pointing at the edit itself.
  const uint32_t editAt = streams.currentUser[16] | (streams.currentUser[17] << 8) |
                          (streams.currentUser[18] << 16) | (uint32_t{streams.currentUser[19]} << 24);
  auto looping = streams;
  for (int i = 0; i < 4; ++i) looping.document[editAt + 8 + 8 + i] = static_cast<uint8_t>(editAt >> (8 * i));
  EXPECT_FALSE(Search(looping).directoryUsed);
  EXPECT_EQ(Search(looping).projects.size(), 1u);

  auto noUser = streams;
  noUser.currentUser.clear();
  EXPECT_FALSE(Search(noUser).directoryUsed);
  EXPECT_EQ(Search(noUser).projects.size(), 1u);
}

TEST(PresentationRecords, APresentationWithoutProjectHasNone) {
  const auto streams = writers::BuildPresentationStreams({});
  EXPECT_TRUE(Search(streams).projects.empty());
}

TEST(PresentationRecords, EveryTruncationStaysInsideTheStream) {
  const auto streams = writers::BuildPresentationStreams({SmallProject()});
  for (size_t cut = 0; cut < streams.document.size(); cut += 7) {
    const Bytes document(streams.document.begin(), streams.document.begin() + static_cast<std::ptrdiff_t>(cut));
    const ProjectSearch found = FindProjectRecords(
        ByteReader(streams.currentUser.data(), streams.currentUser.size()), ByteReader(document.data(), document.size()));
    for (const auto& project : found.projects) {
      EXPECT_LE(project.record.End(), cut);
      if (project.hasMacrosAt) EXPECT_LE(*project.hasMacrosAt + 4, cut);
    }
    // The project record is whole only once the cut is past it.
    if (cut < streams.projectRecord + 8) EXPECT_TRUE(found.projects.empty()) << cut;
  }
}

}  // namespace
}  // namespace qv::ppt
