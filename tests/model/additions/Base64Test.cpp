#include "Base64.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(Base64, StandardVectorsAndPadding)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
        { "\xff\xfe\xfd", "//79" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base64::base64EncodedString(QByteArray(c.in)), QString(c.out)) << c.in;
        std::size_t length = 99;
        EXPECT_EQ(NewBase64Encode(c.in, std::strlen(c.in), &length), c.out);
        EXPECT_EQ(length, std::strlen(c.out));
    }
}

TEST(Base64, EveryByteValueOnOneLine)
{
    QByteArray all;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
    const QString text = Base64::base64EncodedString(all);
    EXPECT_EQ(text, QString::fromLatin1(all.toBase64()));
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_EQ(text.size(), (all.size() + 2) / 3 * 4);
}

TEST(Base64, NullBufferIsNoBytes)
{
    std::size_t length = 99;
    EXPECT_EQ(NewBase64Encode(nullptr, 10, &length), "");
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(NewBase64Encode("ab", 2), "YWI=");
}
