// Parts that point at a removed project part let go of it, and of nothing else.
#include <gtest/gtest.h>

#include "engine/zip/part_references.h"

namespace qv::zip {
namespace {

struct ReferenceCase {
  const char* name;
  std::string entry;
  std::string xml;
  std::optional<std::string> expected;  // nullopt: the part stays as it is
};

class PartReferencesTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(PartReferencesTest, DropsOnlyWhatTargetsTheRemovedPart) {
  const ReferenceCase& c = GetParam();
  EXPECT_TRUE(MayReferToParts(c.entry));
  EXPECT_EQ(WithoutReferencesTo(c.entry, c.xml, "word/vbaProject.bin"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PartReferencesTest,
    ::testing::Values(
        ReferenceCase{"RelativeTarget", "word/_rels/document.xml.rels",
                      "<Relationships><Relationship Id=\"a\" Target=\"vbaProject.bin\"/><Relationship Id=\"b\" "
                      "Target=\"styles.xml\"/></Relationships>",
                      "<Relationships><Relationship Id=\"b\" Target=\"styles.xml\"/></Relationships>"},
        ReferenceCase{"AbsoluteAndDottedTargets", "word/_rels/document.xml.rels",
                      "<Relationships><Relationship Target=\"/word/vbaProject.bin\"/><Relationship "
                      "Target=\"./../word/vbaProject.bin\"/></Relationships>",
                      "<Relationships/>"},
        ReferenceCase{"PackageRelationships", "_rels/.rels",
                      "<Relationships><Relationship Target=\"word/vbaProject.bin\"/></Relationships>",
                      "<Relationships/>"},
        ReferenceCase{"SameNameInAnotherFolderStays", "xl/_rels/workbook.xml.rels",
                      "<Relationships><Relationship Target=\"vbaProject.bin\"/></Relationships>", std::nullopt},
        ReferenceCase{"ExternalTargetStays", "word/_rels/document.xml.rels",
                      "<Relationships><Relationship TargetMode=\"External\" Target=\"vbaProject.bin\"/></Relationships>",
                      std::nullopt},
        ReferenceCase{"ContentTypeOverride", "[Content_Types].xml",
                      "<?xml version=\"1.0\"?><Types><Default Extension=\"bin\"/><Override "
                      "PartName=\"/word/vbaProject.bin\"/><Override PartName=\"/word/document.xml\"/></Types>",
                      "<?xml version=\"1.0\"?><Types><Default Extension=\"bin\"/><Override "
                      "PartName=\"/word/document.xml\"/></Types>"},
        ReferenceCase{"PrefixedElements", "word/_rels/document.xml.rels",
                      "<r:Relationships xmlns:r=\"x\"><r:Relationship Target=\"vbaProject.bin\"/></r:Relationships>",
                      "<r:Relationships xmlns:r=\"x\"/>"},
        ReferenceCase{"UnreadableXmlStaysAsItIs", "word/_rels/document.xml.rels",
                      "<Relationships><Relationship Target=\"vbaProject.bin\"", std::nullopt}),
    [](const ::testing::TestParamInfo<ReferenceCase>& info) { return std::string(info.param.name); });

TEST(PartReferencesTest, OnlyRelationshipPartsAndContentTypesAreEdited) {
  EXPECT_FALSE(MayReferToParts("word/document.xml"));
  EXPECT_FALSE(MayReferToParts("word/vbaData.xml"));
  EXPECT_TRUE(MayReferToParts("word/_rels/vbaProject.bin.rels"));
}

}  // namespace
}  // namespace qv::zip
