// MD5 against the RFC 1321 test suite, whole and in pieces, and against
// Qt's own implementation on block-boundary lengths.
#include "common/md5.h"

#include <QCryptographicHash>
#include <QtTest>

#include <sstream>

class Md5Test : public QObject
{
    Q_OBJECT
private slots:
    void rfc1321Vectors_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("digest");
        QTest::newRow("empty") << QByteArray("") << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("a") << QByteArray("a") << "0cc175b9c0f1b6a831c399e269772661";
        QTest::newRow("abc") << QByteArray("abc") << "900150983cd24fb0d6963f7d28e17f72";
        QTest::newRow("message digest") << QByteArray("message digest") << "f96b697d7cb7938d525a2f31aaf161d0";
        QTest::newRow("a-z") << QByteArray("abcdefghijklmnopqrstuvwxyz") << "c3fcd3d76192e4007dfb496cca67e13b";
        QTest::newRow("A-Za-z0-9")
            << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
            << "d174ab98d277d9f5a5611c2c9f419d9f";
        QTest::newRow("8 x 1234567890")
            << QByteArray("12345678901234567890123456789012345678901234567890123456789012345678901234567890")
            << "57edf4a22be3c955ac49da2e2107b67a";
    }
    void rfc1321Vectors()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, digest);
        QCOMPARE(QString::fromStdString(MD5(message.toStdString()).hexdigest()), digest);
        QCOMPARE(QString::fromStdString(MD5(message.toStdString()).md5()), digest);

        // The same bytes fed one at a time.
        MD5 pieces;
        for (char c : message)
            pieces.update(&c, 1);
        QCOMPARE(QString::fromStdString(pieces.finalize().hexdigest()), digest);
        std::ostringstream out;
        out << pieces;
        QCOMPARE(QString::fromStdString(out.str()), digest);
    }
    void blockBoundaries()
    {
        for (int length : {55, 56, 57, 63, 64, 65, 127, 128, 129, 1000, 100000}) {
            QByteArray data(length, Qt::Uninitialized);
            for (int i = 0; i < length; ++i)
                data[i] = char((i * 131 + 7) & 0xff);
            const QByteArray expected = QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
            QCOMPARE(QByteArray::fromStdString(MD5(data.toStdString()).hexdigest()), expected);
            MD5 split;
            split.update(reinterpret_cast<const unsigned char *>(data.constData()), unsigned(length / 3));
            split.update(data.constData() + length / 3, unsigned(length - length / 3));
            QCOMPARE(QByteArray::fromStdString(split.finalize().hexdigest()), expected);
        }
    }
    void stateHandling()
    {
        MD5 md5;
        QVERIFY(md5.hexdigest().empty());
        md5.update("abc", 3);
        QVERIFY(md5.hexdigest().empty());
        md5.finalize();
        const std::string once = md5.hexdigest();
        md5.finalize();
        md5.update("more", 4);  // ignored once finalized
        QCOMPARE(md5.hexdigest(), once);
        md5.init();
        QVERIFY(md5.hexdigest().empty());
        QCOMPARE(md5.finalize().hexdigest(), std::string("d41d8cd98f00b204e9800998ecf8427e"));
    }
};

QTEST_GUILESS_MAIN(Md5Test)
#include "tst_md5.moc"
