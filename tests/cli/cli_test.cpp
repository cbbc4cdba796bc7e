// The tools' shared argument reader: what each argument is, and where an option's value comes from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cli.h"

namespace {

using zub::ArgReader;

struct Argv {
  std::vector<std::string> text;
  std::vector<char*> pointers;
  explicit Argv(std::vector<std::string> args) : text(std::move(args)) {
    text.insert(text.begin(), "tool");
    for (std::string& s : text) pointers.push_back(s.data());
  }
  int argc() const { return (int)pointers.size(); }
  char** argv() { return pointers.data(); }
};

std::vector<ArgReader::Kind> kinds(Argv& a, bool dashDashEnds) {
  ArgReader reader(a.argc(), a.argv(), dashDashEnds);
  std::vector<ArgReader::Kind> seen;
  for (ArgReader::Kind k; (k = reader.next()) != ArgReader::End;) seen.push_back(k);
  return seen;
}

TEST(ArgReader, SortsArgumentsIntoHelpVersionOptionsAndOperands) {
  Argv a({"-h", "--help", "--version", "--help=1", "-", "file", "-x", "--", "--help", "--", "-y"});
  using K = ArgReader::Kind;
  EXPECT_EQ(kinds(a, true), (std::vector<K>{K::Help, K::Help, K::Version, K::Option, K::Operand, K::Operand,
                                            K::Option, K::Operand, K::Operand, K::Operand}));
  // Without "--" ending the options, it is an option like any other.
  EXPECT_EQ(kinds(a, false), (std::vector<K>{K::Help, K::Help, K::Version, K::Option, K::Operand, K::Operand,
                                             K::Option, K::Option, K::Help, K::Option, K::Option}));
}

TEST(ArgReader, TakesAValueAfterTheEqualsSignOrFromTheNextArgument) {
  Argv a({"--out=a=b", "--out", "--help", "--out=", "--flag", "--flag=1", "--out"});
  ArgReader r(a.argc(), a.argv(), true);
  const char* value = nullptr;
  std::string error;
  ASSERT_EQ(r.next(), ArgReader::Option);
  EXPECT_EQ(r.name(), "--out");
  ASSERT_TRUE(r.value(true, value, error));
  EXPECT_STREQ(value, "a=b");
  ASSERT_EQ(r.next(), ArgReader::Option);
  ASSERT_TRUE(r.value(true, value, error));
  EXPECT_STREQ(value, "--help"); // used up as the value, never seen as --help
  ASSERT_EQ(r.next(), ArgReader::Option);
  ASSERT_TRUE(r.value(true, value, error));
  EXPECT_STREQ(value, ""); // the tool decides whether an empty value will do
  ASSERT_EQ(r.next(), ArgReader::Option);
  ASSERT_TRUE(r.value(false, value, error));
  EXPECT_STREQ(value, "");
  ASSERT_EQ(r.next(), ArgReader::Option);
  EXPECT_EQ(r.name(), "--flag");
  EXPECT_FALSE(r.value(false, value, error));
  EXPECT_EQ(error, "--flag takes no value");
  ASSERT_EQ(r.next(), ArgReader::Option);
  EXPECT_FALSE(r.value(true, value, error));
  EXPECT_EQ(error, "--out needs a value");
  EXPECT_EQ(r.next(), ArgReader::End);
}

struct Spec {
  const char* name;
  int id;
};
const Spec specs[] = {{"--a", 1}, {"--bb", 2}};

TEST(ArgReader, FindsOptionsByTheirWholeName) {
  ASSERT_NE(zub::findOption(specs, "--bb"), nullptr);
  EXPECT_EQ(zub::findOption(specs, "--bb")->id, 2);
  EXPECT_EQ(zub::findOption(specs, "--b"), nullptr);
  EXPECT_EQ(zub::findOption(specs, "--a="), nullptr);
}

} // namespace
