#include "sourcetext.h"

#include <QTest>

using mox::decodeSource;
using mox::encodeSource;

class SourceTextTest : public QObject {
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void encodesTypedText_data();
    void encodesTypedText();
};

void SourceTextTest::decodes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("latin1");

    QTest::newRow("ascii") << QByteArray("load ax, ff\nhalt\n") << "load ax, ff\nhalt\n" << false;
    QTest::newRow("utf8") << QByteArray("; gr\xc3\xbc\xc3\x9f\n") << QString::fromUtf8("; grüß\n")
                          << false;
    QTest::newRow("latin1 byte") << QByteArray("; gr\xfc\n") << QString::fromUtf8("; grü\n")
                                 << true;
    QTest::newRow("cut utf8 sequence") << QByteArray("x\xc3") << QString::fromUtf8("xÃ") << true;
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0\u0080") << true;
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString::fromUtf8("À¯") << true;
    // Valid UTF-8, but the edit box would turn these into line breaks.
    QTest::newRow("paragraph separator") << QByteArray("a\xe2\x80\xa9"
                                                       "b")
                                         << QString::fromUtf8("aâ©b") << true;
    QTest::newRow("frame marks") << QByteArray("\xef\xb7\x90\xef\xb7\x91")
                                 << QString::fromUtf8("ï·ï·") << true;
    QTest::newRow("line separator stays") << QByteArray("a\xe2\x80\xa8"
                                                        "b")
                                          << QString::fromUtf8("a b") << false;
}

void SourceTextTest::decodes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, latin1);
    const mox::SourceText source = decodeSource(std::string_view(bytes.constData(), bytes.size()));
    QCOMPARE(source.text, text);
    QCOMPARE(source.latin1, latin1);
}

void SourceTextTest::encodesTypedText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("utf8 document")
        << QString::fromUtf8("é€") << false << QByteArray("\xc3\xa9\xe2\x82\xac");
    QTest::newRow("latin1 document keeps single bytes")
        << QString::fromUtf8("é") << true << QByteArray("\xe9");
    QTest::newRow("latin1 document, no single byte") << QString::fromUtf8("a€€b") << true
                                                     << QByteArray("a\xe2\x82\xac\xe2\x82\xac"
                                                                   "b");
    QTest::newRow("astral character")
        << QString::fromUtf8("\U0001F600") << true << QByteArray("\xf0\x9f\x98\x80");
    QTest::newRow("CR never written") << QStringLiteral("a\r\nb") << true << QByteArray("a\nb");
}

void SourceTextTest::encodesTypedText() {
    QFETCH(QString, text);
    QFETCH(bool, latin1);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromStdString(encodeSource(text, latin1)), bytes);
}

QTEST_APPLESS_MAIN(SourceTextTest)
#include "sourcetext_test.moc"
