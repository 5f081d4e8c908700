// Stamping the codec template: only the identity block changes, and a template that cannot be
// stamped safely is refused.
#include "demo/generator/stamp.h"

#include <gtest/gtest.h>

#include <string>

#include "demo/codec/codec_stamp.h"
#include "demo/generator/clsid.h"
#include "tests/unit/demo/demo_test_support.h"

namespace quenlo::demo {
namespace {

using testing::TemplateStampBlock;

const std::string kHead = "MZ" + std::string(300, '\x90');
const std::string kTail = std::string(200, '\xCC');
const CodecIdentity kIdentity{"{0123ABCD-4567-89AB-CDEF-0123456789AB}", "Quenlo demo codec x.ax"};

std::string Template() { return kHead + TemplateStampBlock() + kTail; }

TEST(ReadStamp, FindsThePlaceholderInTheBlockAsTheLibraryDeclaresIt) {
  const CodecIdentity identity = ReadStamp(Template());
  EXPECT_EQ(identity.clsid, kPlaceholderClsid);
  EXPECT_EQ(identity.name, kPlaceholderName);
  EXPECT_EQ(FindStamp(Template()), kHead.size());
}

TEST(StampCodec, ChangesOnlyTheClassIdAndDescription) {
  const std::string original = Template();
  const std::string stamped = StampCodec(original, kIdentity);
  ASSERT_EQ(stamped.size(), original.size());
  const CodecIdentity read = ReadStamp(stamped);
  EXPECT_EQ(read.clsid, kIdentity.clsid);
  EXPECT_EQ(read.name, kIdentity.name);
  std::size_t changedOutsideFields = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    const bool inFields = i >= kHead.size() + kStampClsidOffset && i < kHead.size() + kStampSize;
    if (!inFields && stamped[i] != original[i]) ++changedOutsideFields;
  }
  EXPECT_EQ(changedOutsideFields, 0u);
  // The fields are zero-filled after the text: no placeholder characters survive.
  EXPECT_EQ(stamped.find(kPlaceholderName), std::string::npos);
  EXPECT_EQ(stamped[kHead.size() + kStampNameOffset + kIdentity.name.size()], '\0');
  EXPECT_EQ(stamped[kHead.size() + kStampSize - 1], '\0');
}

TEST(StampCodec, TakesADescriptionUpToTheFieldSizeLessItsTerminator) {
  const std::string longest(kStampNameSize - 1, 'n');
  EXPECT_EQ(ReadStamp(StampCodec(Template(), {kIdentity.clsid, longest})).name, longest);
  EXPECT_THROW(StampCodec(Template(), {kIdentity.clsid, longest + "n"}), StampError);
  EXPECT_THROW(StampCodec(Template(), {kIdentity.clsid, ""}), StampError);
  EXPECT_THROW(StampCodec(Template(), {kIdentity.clsid, "non-ASCII \xB2\xA5"}), StampError);
}

TEST(StampCodec, RefusesTemplatesWithoutExactlyOneWholeUnstampedBlock) {
  EXPECT_THROW(StampCodec(kHead + kTail, kIdentity), StampError);
  EXPECT_THROW(StampCodec(Template() + TemplateStampBlock(), kIdentity), StampError);
  EXPECT_THROW(StampCodec(kHead + TemplateStampBlock().substr(0, kStampSize - 1), kIdentity),
               StampError);
  EXPECT_THROW(StampCodec(StampCodec(Template(), kIdentity), kIdentity), StampError)
      << "stamping twice would hide that a copy was taken from a stamped file";
}

TEST(StampCodec, RefusesAClassIdNotInRegistryForm) {
  EXPECT_THROW(StampCodec(Template(), {"0123ABCD-4567-89AB-CDEF-0123456789AB", "x"}), StampError);
  EXPECT_THROW(StampCodec(Template(), {"{0123ABCD-4567-89AB-CDEF-0123456789AB}x", "x"}),
               StampError);
}

}  // namespace
}  // namespace quenlo::demo
