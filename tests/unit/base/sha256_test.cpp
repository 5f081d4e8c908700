#include "base/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace quenlo {
namespace {

// The published test vectors: the tail fits one block (empty, "abc"), needs a second block (56
// bytes), and many whole blocks come before it (a million bytes).
TEST(Sha256, PublishedVectors) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
      {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
      {std::string(1000000, 'a'),
       "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(c.input), c.digest) << c.input.size();
}

}  // namespace
}  // namespace quenlo
