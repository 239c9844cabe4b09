#include <gtest/gtest.h>

#include <cstring>

#include "framework/errors.h"
#include "kv/kv_guids.h"

TEST(Errors, GUIDCompareByValue) {
    st_KVtGUID copy = kv::guid_Module;
    EXPECT_EQ(kv::GUIDCompare(&kv::guid_Module, &copy), 0);
    copy.d4[7] ^= 1;
    EXPECT_NE(kv::GUIDCompare(&kv::guid_Module, &copy), 0);
    st_KVtGUID set;
    kv::GUIDSet(&set, 0x4DB9C543, 0xB192, 0x4EDD, 0xA6, 0x5D, 0xDD, 0x01, 0x2F, 0xC2, 0x74, 0x16);
    EXPECT_EQ(kv::GUIDCompare(&set, &kv::guid_Module), 0);
}

TEST(Errors, GUIDTextForm) {
    EXPECT_EQ(kv::GUIDToText(&kv::guid_ThreadService), "0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC4");
    st_KVtGUID g{};
    ASSERT_TRUE(kv::GUIDFromText("0a9d5b42-1da6-42a4-8fc4-01fcce939ac4", &g));
    EXPECT_EQ(kv::GUIDCompare(&g, &kv::guid_ThreadService), 0);
    EXPECT_FALSE(kv::GUIDFromText("0A9D5B42-1DA6-42A4-8FC4-01FCCE939AC", &g));
}

TEST(Errors, StringOut) {
    char buf[8];
    EXPECT_EQ(kv::StringOut("abc", buf, 4), KV_OK);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(kv::StringOut("abc", buf, 3), KV_E_SHORTBUFFER);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(kv::StringOut("abc", buf, 1), KV_E_SHORTBUFFER);
    EXPECT_STREQ(buf, "");
    std::strcpy(buf, "x");
    EXPECT_EQ(kv::StringOut("abc", buf, 0), KV_E_SHORTBUFFER);
    EXPECT_STREQ(buf, "x");
}

TEST(Errors, ThrowsAndChecks) {
    EXPECT_NO_THROW(kv::ThrowOpt(0x80000001u));
    EXPECT_NO_THROW(kv::ThrowOpt(0));
    EXPECT_THROW(kv::ThrowOpt(0x80000004u), unsigned);
    EXPECT_THROW(kv_err::check(-1, 0x80000017u), unsigned);
    EXPECT_NO_THROW(kv_err::check(0, 0x80000017u));
    EXPECT_THROW(kv_err::check(false, 0x80000015u), unsigned);
    EXPECT_NO_THROW(kv_err::check(true, 0x80000015u));
    try {
        kv::ThrowErr(0x80000015u);
        FAIL();
    } catch (unsigned rc) {
        EXPECT_EQ(rc, 0x80000015u);
    }
}
