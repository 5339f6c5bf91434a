#include "app/app_error.h"
#include "settings/profile_text.h"

#include <QTest>

namespace {

QByteArray bytesOf(const std::string &text)
{
    return QByteArray::fromStdString(text);
}

std::string textOf(const QByteArray &bytes)
{
    return bytes.toStdString();
}

} // namespace

class ProfileTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readText_data();
    void readText();
    void readInteger_data();
    void readInteger();
    void writeText_data();
    void writeText();
    void writtenValuesReadBack_data();
    void writtenValuesReadBack();
    void valuesThatWouldBreakTheFileAreRefused_data();
    void valuesThatWouldBreakTheFileAreRefused();
};

void ProfileTextTest::readText_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("buffer");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray longValue(200, 'x');
    QTest::newRow("plain") << QByteArray("[FILE]\nDRIVE=/media/usb\n") << 128
                           << QByteArray("/media/usb");
    QTest::newRow("names in any case")
        << QByteArray("[file]\nDrive=/x\n") << 128 << QByteArray("/x");
    QTest::newRow("spaces and tabs trimmed")
        << QByteArray("  [ FILE ]\t\n \tDRIVE \t=  /a b  \t\n") << 128 << QByteArray("/a b");
    QTest::newRow("quotes removed")
        << QByteArray("[FILE]\nDRIVE=\" /q \"\n") << 128 << QByteArray(" /q ");
    QTest::newRow("single quotes removed")
        << QByteArray("[FILE]\nDRIVE=' /q '\n") << 128 << QByteArray(" /q ");
    QTest::newRow("one pair removed, inner quotes kept")
        << QByteArray("[FILE]\nDRIVE='\"/q\"'\n") << 128 << QByteArray("\"/q\"");
    QTest::newRow("a lone quote stays")
        << QByteArray("[FILE]\nDRIVE=\"/q\n") << 128 << QByteArray("\"/q");
    QTest::newRow("a lone single quote stays")
        << QByteArray("[FILE]\nDRIVE='\n") << 128 << QByteArray("'");
    QTest::newRow("quotes of two kinds stay")
        << QByteArray("[FILE]\nDRIVE='/q\"\n") << 128 << QByteArray("'/q\"");
    QTest::newRow("comment skipped")
        << QByteArray("[FILE]\n;DRIVE=/c\n  ; DRIVE=/d\nDRIVE=/e\n") << 128 << QByteArray("/e");
    QTest::newRow("first duplicate wins")
        << QByteArray("[FILE]\nDRIVE=/1\nDRIVE=/2\n") << 128 << QByteArray("/1");
    QTest::newRow("key of another section")
        << QByteArray("[OTHER]\nDRIVE=/o\n[FILE]\nX=1\n") << 128 << QByteArray("default");
    QTest::newRow("second section of the same name")
        << QByteArray("[FILE]\nX=1\n[OTHER]\n[FILE]\nDRIVE=/2\n") << 128 << QByteArray("/2");
    QTest::newRow("CRLF lines") << QByteArray("[FILE]\r\nDRIVE=/w\r\n") << 128 << QByteArray("/w");
    QTest::newRow("no newline at the end")
        << QByteArray("[FILE]\nDRIVE=/end") << 128 << QByteArray("/end");
    QTest::newRow("equals sign in the value")
        << QByteArray("[FILE]\nDRIVE=a=b\n") << 128 << QByteArray("a=b");
    QTest::newRow("empty value is present")
        << QByteArray("[FILE]\nDRIVE=\n") << 128 << QByteArray();
    QTest::newRow("line without equals is no key")
        << QByteArray("[FILE]\nDRIVE\n") << 128 << QByteArray("default");
    QTest::newRow("missing file") << QByteArray() << 128 << QByteArray("default");
    QTest::newRow("cut to buffer minus one") << "[FILE]\nDRIVE=" + longValue + "\n"
                                             << 128 << QByteArray(127, 'x');
    QTest::newRow("one less than the buffer fits") << "[FILE]\nDRIVE=" + longValue + "\n"
                                                   << 201 << longValue;
    QTest::newRow("default is cut too") << QByteArray() << 4 << QByteArray("def");
    QTest::newRow("no buffer, nothing copied")
        << QByteArray("[FILE]\nDRIVE=/x\n") << 0 << QByteArray();
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("[FILE]\nDRIVE=/m\xff\xfe\x80\n") << 128 << QByteArray("/m\xff\xfe\x80");
}

void ProfileTextTest::readText()
{
    QFETCH(QByteArray, file);
    QFETCH(int, buffer);
    QFETCH(QByteArray, expected);
    const ProfileText profile(textOf(file));
    QCOMPARE(bytesOf(profile.readText("FILE", "DRIVE", "default", buffer)), expected);
}

void ProfileTextTest::readInteger_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");

    const auto row = [](const char *name, const QByteArray &value, int expected) {
        QTest::newRow(name) << "[ATTRIBUTE]\nN=" + value + "\n" << expected;
    };
    row("digits", "42", 42);
    row("minus sign", "-1500", -1500);
    row("plus sign", "+7", 7);
    row("digits before other text", "12abc", 12);
    row("fraction cut", "3.9", 3);
    row("text reads 0", "abc", 0);
    row("empty reads 0, not the default", "", 0);
    row("sign alone", "-", 0);
    row("space after the sign", "- 5", 0);
    row("hexadecimal is not read", "0x10", 0);
    row("quoted number", "\"3\"", 3);
    row("single-quoted number", "'1'", 1);
    row("quotes of two kinds read 0", "'1\"", 0);
    row("beyond the range stops at the top", "99999999999", 2147483647);
    row("beyond the range stops at the bottom", "-99999999999", -2147483647 - 1);
    QTest::newRow("missing key gives the default") << QByteArray("[ATTRIBUTE]\nM=1\n") << 77;
    QTest::newRow("missing section gives the default") << QByteArray("[FILE]\nN=1\n") << 77;
}

void ProfileTextTest::readInteger()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    QCOMPARE(ProfileText(textOf(file)).readInteger("attribute", "n", 77), expected);
}

void ProfileTextTest::writeText_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << QByteArray("DRIVE") << QByteArray("/x")
                              << QByteArray("[FILE]\nDRIVE=/x\n");
    QTest::newRow("value replaced, everything else kept")
        << QByteArray("; mine\n[FILE]\n  drive = /old  \n; note\nOTHER=1\njunk line\n")
        << QByteArray("DRIVE") << QByteArray("/new")
        << QByteArray("; mine\n[FILE]\nDRIVE=/new\n; note\nOTHER=1\njunk line\n");
    QTest::newRow("key added after the section's last key")
        << QByteArray("[FILE]\nA=1\n\n; next\n[ATTRIBUTE]\nB=2\n") << QByteArray("DRIVE")
        << QByteArray("/x") << QByteArray("[FILE]\nA=1\nDRIVE=/x\n\n; next\n[ATTRIBUTE]\nB=2\n");
    QTest::newRow("key added to an empty section")
        << QByteArray("[FILE]\n[ATTRIBUTE]\n") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[FILE]\nDRIVE=/x\n[ATTRIBUTE]\n");
    QTest::newRow("section added after a last line without newline")
        << QByteArray("[OTHER]\nA=1") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[OTHER]\nA=1\n[FILE]\nDRIVE=/x\n");
    QTest::newRow("section added after a last line cut between CR and LF")
        << QByteArray("[OTHER]\r\nA=/a\r") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[OTHER]\r\nA=/a\r\n[FILE]\r\nDRIVE=/x\r\n");
    QTest::newRow("key added after a header without newline") << QByteArray(
        "[FILE]") << QByteArray("DRIVE") << QByteArray("/x") << QByteArray("[FILE]\nDRIVE=/x\n");
    QTest::newRow("CRLF file stays CRLF")
        << QByteArray("[FILE]\r\nA=1\r\nDRIVE=/o\r\n") << QByteArray("B") << QByteArray("2")
        << QByteArray("[FILE]\r\nA=1\r\nDRIVE=/o\r\nB=2\r\n");
    QTest::newRow("replacing keeps the line ending")
        << QByteArray("[FILE]\r\nDRIVE=/o\r\n") << QByteArray("DRIVE") << QByteArray("/n")
        << QByteArray("[FILE]\r\nDRIVE=/n\r\n");
    QTest::newRow("first duplicate replaced")
        << QByteArray("[FILE]\nDRIVE=/a\nDRIVE=/b\n") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[FILE]\nDRIVE=/x\nDRIVE=/b\n");
    QTest::newRow("key of the second section of the name")
        << QByteArray("[FILE]\nA=1\n[FILE]\nDRIVE=/a\n") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[FILE]\nA=1\n[FILE]\nDRIVE=/x\n");
    QTest::newRow("commented key left alone")
        << QByteArray("[FILE]\n;DRIVE=/c\n") << QByteArray("DRIVE") << QByteArray("/x")
        << QByteArray("[FILE]\nDRIVE=/x\n;DRIVE=/c\n");
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray() << QByteArray("FILEPATH") << QByteArray("/h/\xff\xfe")
        << QByteArray("[FILE]\nFILEPATH=/h/\xff\xfe\n");
    QTest::newRow("outer spaces quoted")
        << QByteArray() << QByteArray("DRIVE") << QByteArray(" /x ")
        << QByteArray("[FILE]\nDRIVE=\" /x \"\n");
    QTest::newRow("quoted value quoted again")
        << QByteArray() << QByteArray("DRIVE") << QByteArray("\"q\"")
        << QByteArray("[FILE]\nDRIVE=\"\"q\"\"\n");
    QTest::newRow("single-quoted value quoted")
        << QByteArray() << QByteArray("DRIVE") << QByteArray("'q'")
        << QByteArray("[FILE]\nDRIVE=\"'q'\"\n");
    QTest::newRow("empty value") << QByteArray("[FILE]\nDRIVE=/a\n") << QByteArray("DRIVE")
                                 << QByteArray() << QByteArray("[FILE]\nDRIVE=\n");
}

void ProfileTextTest::writeText()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    ProfileText profile(textOf(before));
    profile.writeText("FILE", textOf(key), textOf(value));
    QCOMPARE(bytesOf(profile.bytes()), after);
}

void ProfileTextTest::writtenValuesReadBack_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("path") << QByteArray("/home/user/音楽");
    QTest::newRow("not UTF-8") << QByteArray("/x/\xff\xfe\x80\x81");
    QTest::newRow("outer spaces") << QByteArray("  /x  ");
    QTest::newRow("tab at the end") << QByteArray("/x\t");
    QTest::newRow("quotes around") << QByteArray("\"/x\"");
    QTest::newRow("one quote") << QByteArray("\"");
    QTest::newRow("single quotes around") << QByteArray("'/x'");
    QTest::newRow("a quote of each kind") << QByteArray("'/x\"");
    QTest::newRow("starts like a comment") << QByteArray(";/x");
    QTest::newRow("starts like a section") << QByteArray("[x]");
    QTest::newRow("equals signs") << QByteArray("a=b=c");
}

void ProfileTextTest::writtenValuesReadBack()
{
    QFETCH(QByteArray, value);
    ProfileText profile("[FILE]\nFILEPATH=/old\nDRIVE=/d\n");
    profile.writeText("FILE", "FILEPATH", textOf(value));
    QCOMPARE(bytesOf(profile.readText("FILE", "FILEPATH", "", 1024)), value);
    QCOMPARE(bytesOf(profile.readText("FILE", "DRIVE", "", 128)), QByteArray("/d"));
}

void ProfileTextTest::valuesThatWouldBreakTheFileAreRefused_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("line feed in the value")
        << QByteArray("FILEPATH") << QByteArray("/a\n[ATTRIBUTE]\nMINIMUM=1");
    QTest::newRow("carriage return in the value") << QByteArray("FILEPATH") << QByteArray("/a\rb");
    QTest::newRow("NUL in the value") << QByteArray("FILEPATH") << QByteArray("/a\0b", 4);
    QTest::newRow("equals in the key") << QByteArray("A=B") << QByteArray("1");
    QTest::newRow("empty key") << QByteArray(" ") << QByteArray("1");
}

void ProfileTextTest::valuesThatWouldBreakTheFileAreRefused()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    const std::string before = "[FILE]\nFILEPATH=/old\n";
    ProfileText profile(before);
    try {
        profile.writeText("FILE", textOf(key), textOf(value));
        QFAIL("the write was accepted");
    } catch (const AppError &error) {
        QCOMPARE(error.number(), ErrNo::InvalidArgument);
    }
    QCOMPARE(bytesOf(profile.bytes()), bytesOf(before));
}

QTEST_GUILESS_MAIN(ProfileTextTest)
#include "test_profile_text.moc"
