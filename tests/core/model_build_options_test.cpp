#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "model/project_store.h"

namespace {

struct NameCase {
    const char* stored;
    const char* archive;
};

class ArchiveName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ArchiveName, GetterAppendsTheExtensionWhenMissing) {
    auto store = std::make_unique<ProjectStore>();
    store->SetArchiveName(GetParam().stored);
    EXPECT_STREQ(store->GetArchiveName(), GetParam().archive);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveName,
                         ::testing::Values(NameCase{"", ".bxa"}, NameCase{"bgm", "bgm.bxa"},
                                           NameCase{"bgm.bxa", "bgm.bxa"}, NameCase{"bgm.BXA", "bgm.BXA.bxa"},
                                           NameCase{"out.new.bxa", "out.new.bxa.bxa"},
                                           NameCase{"/rel.1/bgm", "/rel.1/bgm.bxa"},
                                           NameCase{"/rel.1/bgm.bxa", "/rel.1/bgm.bxa.bxa"},
                                           NameCase{".bxa", ".bxa"}, NameCase{nullptr, ".bxa"}));

TEST(BuildOptions, EachGetterUsesItsOwnExtension) {
    auto store = std::make_unique<ProjectStore>();
    store->SetHeaderName("bgm");
    store->SetLogName("bgm");
    EXPECT_STREQ(store->GetHeaderName(), "bgm.h");
    EXPECT_STREQ(store->GetHeaderName(), "bgm.h"); // the appended extension stays stored
    EXPECT_STREQ(store->GetLogName(), "bgm.crg");
    store->SetHeaderName("");
    store->SetLogName("");
    EXPECT_STREQ(store->GetHeaderName(), ".h");
    EXPECT_STREQ(store->GetLogName(), ".crg");
}

TEST(BuildOptions, LongNamesStillEndInTheExtension) {
    auto store = std::make_unique<ProjectStore>();
    const std::string fits(255, 'n');
    store->SetArchiveName(fits.c_str());
    EXPECT_EQ(std::string(store->GetArchiveName()), fits + ".bxa");

    const std::string tooLong(400, 'n');
    store->SetArchiveName(tooLong.c_str());
    store->SetHeaderName(tooLong.c_str());
    const std::string archive = store->GetArchiveName();
    const std::string header = store->GetHeaderName();
    EXPECT_EQ(archive, std::string(255, 'n') + ".bxa");
    EXPECT_EQ(header, std::string(257, 'n') + ".h");
}

TEST(BuildOptions, Prefix) {
    auto store = std::make_unique<ProjectStore>();
    EXPECT_EQ(store->GetFileIdPrefix(), nullptr);
    store->SetFileIdPrefix("SE_");
    EXPECT_STREQ(store->GetFileIdPrefix(), "SE_");
    store->SetFileIdPrefix(std::string(300, 'p').c_str());
    EXPECT_EQ(std::strlen(store->GetFileIdPrefix()), 255u);
    store->SetFileIdPrefix("");
    EXPECT_EQ(store->GetFileIdPrefix(), nullptr);
    store->SetFileIdPrefix(nullptr);
    EXPECT_EQ(store->GetFileIdPrefix(), nullptr);
}

TEST(BuildOptions, HasExtensionRefusesEmptyAndNull) {
    EXPECT_FALSE(ProjectStore::HasExtension("", ""));
    EXPECT_FALSE(ProjectStore::HasExtension(nullptr, ".h"));
}

} // namespace
