#include "comm_dcb_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct LineCase {
    const char* text;
    DWORD baud;
    BYTE parity;
    BYTE data;
    BYTE stop;

    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class CommDcbTextTest : public testing::TestWithParam<LineCase> {};

TEST_P(CommDcbTextTest, SetsTheFourLineFieldsAndNothingElse) {
    DCB dcb{};
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fNull = 1;
    dcb.XonLim = 50;
    const DCB before = dcb;
    ASSERT_EQ(ParseCommDCB(GetParam().text, &dcb), TRUE) << GetParam().text;
    EXPECT_EQ(dcb.BaudRate, GetParam().baud);
    EXPECT_EQ(dcb.Parity, GetParam().parity);
    EXPECT_EQ(dcb.ByteSize, GetParam().data);
    EXPECT_EQ(dcb.StopBits, GetParam().stop);
    EXPECT_EQ(dcb.fBinary, before.fBinary);
    EXPECT_EQ(dcb.fParity, before.fParity);
    EXPECT_EQ(dcb.fNull, before.fNull);
    EXPECT_EQ(dcb.fOutX, before.fOutX);
    EXPECT_EQ(dcb.XonLim, before.XonLim);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CommDcbTextTest,
    testing::Values(LineCase{"com1:9600, e, 7, 2", 9600, EVENPARITY, 7, TWOSTOPBITS},
                    LineCase{"com3:19200, n, 8, 1", 19200, NOPARITY, 8, ONESTOPBIT},
                    LineCase{"com2:4800, o, 7, 1", 4800, ODDPARITY, 7, ONESTOPBIT},
                    LineCase{"com12:57600, e, 8, 1", 57600, EVENPARITY, 8, ONESTOPBIT},
                    LineCase{"COM1:9600,N,8,1", 9600, NOPARITY, 8, ONESTOPBIT},
                    LineCase{"  com4 : 96 ,m,5,1.5 ", 9600, MARKPARITY, 5, ONE5STOPBITS},
                    LineCase{"38400,s,6,2", 38400, SPACEPARITY, 6, TWOSTOPBITS},
                    LineCase{"com1:baud=1200 parity=O data=7 stop=2", 1200, ODDPARITY, 7,
                             TWOSTOPBITS}));

TEST(CommDcbTextErrorsTest, BadTextLeavesTheRecordUntouched) {
    const char* bad[] = {"",
                         "com1:",
                         "com1 9600,n,8,1",
                         "comx:9600,n,8,1",
                         "com1:fast,n,8,1",
                         "com1:9600,q,8,1",
                         "com1:9600,n,9,1",
                         "com1:9600,n,4,1",
                         "com1:9600,n,8,3",
                         "com1:9600,n,8,1,z",
                         "com1:9600,n,8,1,x,extra",
                         "com1:-9600,n,8,1",
                         "com1:99999999999999,n,8,1",
                         "com1:baud=9600 parity=n bogus=1",
                         "com1:baud=9600 xon=maybe",
                         "com1:baud 9600"};
    for (const char* text : bad) {
        DCB dcb{};
        std::memset(&dcb, 0x5a, sizeof dcb);
        DCB before = dcb;
        EXPECT_EQ(ParseCommDCB(text, &dcb), FALSE) << text;
        EXPECT_EQ(std::memcmp(&dcb, &before, sizeof dcb), 0) << text;
    }
    EXPECT_EQ(ParseCommDCB(nullptr, nullptr), FALSE);
}

TEST(CommDcbTextFlowTest, FlowControlFlagsOfBothForms) {
    DCB dcb{};
    ASSERT_EQ(ParseCommDCB("com1:9600,n,8,1,x", &dcb), TRUE);
    EXPECT_EQ(dcb.fOutX, 1u);
    EXPECT_EQ(dcb.fInX, 1u);
    ASSERT_EQ(ParseCommDCB("baud=9600 xon=off octs=on dtr=off rts=on", &dcb), TRUE);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 1u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_ENABLE);
}

}  // namespace
