// Conversions between field texts and column values, both ways.
#include "TestSupport.h"
#include "table/ValueParse.h"
#include "table/ValueText.h"

#include <QDate>
#include <QRandomGenerator>

#include <cstdlib>

class TestValues : public QObject {
  Q_OBJECT

 private slots:
  void numbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "120" << true << 120.0;
    QTest::newRow("decimal") << "3.5" << true << 3.5;
    QTest::newRow("leading dot") << ".25" << true << 0.25;
    QTest::newRow("trailing dot") << "7." << true << 7.0;
    QTest::newRow("signs") << "-4.5" << true << -4.5;
    QTest::newRow("plus") << "+4" << true << 4.0;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("negative exponent") << "25E-2" << true << 0.25;
    QTest::newRow("surrounding white space") << " \t12.5 \t" << true << 12.5;
    QTest::newRow("comma decimal") << "3,5" << false << 0.0;
    QTest::newRow("group separator") << "1,234" << false << 0.0;
    QTest::newRow("inner space") << "1 2" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("unit") << "12mm" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("lone sign") << "-" << false << 0.0;
    QTest::newRow("lone dot") << "." << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("out of range") << "1e999" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
  }
  void numbers() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double v = -1;
    QCOMPARE(ParseNumber(text, v), ok);
    if (ok) QCOMPARE(v, value);
  }

  void shortDecimalsAreCorrectlyRounded() {
    // The quick road for plain decimals must give exactly what strtod gives.
    QRandomGenerator rng(12345);
    for (int i = 0; i < 200000; ++i) {
      const int digits = 1 + int(rng.bounded(15));
      QString text;
      for (int d = 0; d < digits; ++d) text += QChar(u'0' + int(rng.bounded(10)));
      const int point = int(rng.bounded(digits + 1));
      if (point < digits) text.insert(point, u'.');
      if (rng.bounded(2)) text.prepend(u'-');
      double v = 0;
      QVERIFY(ParseNumber(text, v));
      QCOMPARE(v, std::strtod(text.toLatin1().constData(), nullptr));
    }
  }

  void localeDecimalOnlyWhenAsked() {
    double v = 0;
    QVERIFY(!ParseNumber(u"3,5", v));
    QVERIFY(ParseNumber(u"3,5", v, u','));
    QCOMPARE(v, 3.5);
    QVERIFY(ParseNumber(u"3.5", v, u','));
  }

  void dates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");  // invalid: refused
    QTest::newRow("iso") << "2024-03-07" << QDate(2024, 3, 7);
    QTest::newRow("iso short parts") << "2024-3-7" << QDate(2024, 3, 7);
    QTest::newRow("iso padded") << "  2024-12-31\t" << QDate(2024, 12, 31);
    QTest::newRow("us short date") << "3/7/2024" << QDate(2024, 3, 7);
    QTest::newRow("us padded") << "03/07/2024" << QDate(2024, 3, 7);
    QTest::newRow("two-digit year") << "3/7/24" << QDate();
    QTest::newRow("impossible day") << "2024-02-30" << QDate();
    QTest::newRow("impossible month") << "2024-13-01" << QDate();
    QTest::newRow("impossible us") << "2/30/2024" << QDate();
    QTest::newRow("leap day") << "2024-02-29" << QDate(2024, 2, 29);
    QTest::newRow("no leap day") << "2023-02-29" << QDate();
    QTest::newRow("time of day") << "10:42:17" << QDate();
    QTest::newRow("date and time") << "2024-03-07 10:42" << QDate();
    QTest::newRow("words") << "March 7, 2024" << QDate();
    QTest::newRow("number") << "45000" << QDate();
    QTest::newRow("three-digit year") << "202-03-07" << QDate();
  }
  void dates() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    qint32 jd = 0;
    QCOMPARE(ParseDate(text, jd), date.isValid());
    if (date.isValid()) QCOMPARE(QDate::fromJulianDay(jd), date);
  }

  void numberTexts() {
    QCOMPARE(NumberText(120), QStringLiteral("120"));
    QCOMPARE(NumberText(3.5), QStringLiteral("3.5"));
    QCOMPARE(NumberText(0.1), QStringLiteral("0.1"));
    QCOMPARE(NumberText(-0.0), QStringLiteral("0"));
    QCOMPARE(NumberText(1234567.25), QStringLiteral("1234567.25"));
    QCOMPARE(NumberText(1e21), QStringLiteral("1000000000000000000000"));
    QCOMPARE(NumberText(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    // Every text reads back to the same value.
    for (double v : {1.0 / 3, 2.675, 1e-7, 98765.4321, -17.125}) {
      double back = 0;
      QVERIFY(ParseNumber(NumberText(v), back));
      QCOMPARE(back, v);
    }
  }

  void numberTextsFollowTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(NumberText(3.5), QStringLiteral("3,5"));
    QCOMPARE(NumberText(1234.5), QStringLiteral("1234,5"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }

  void dateTexts() {
    QCOMPARE(DateText(qint32(QDate(2024, 3, 7).toJulianDay())), QStringLiteral("2024-03-07"));
    QCOMPARE(ValueText(QVariant(QDate(2023, 11, 30))), QStringLiteral("2023-11-30"));
    QCOMPARE(ValueText(QVariant()), QString());
    QCOMPARE(ValueText(QVariant(QStringLiteral(" Oak "))), QStringLiteral(" Oak "));
    qint32 jd = 0;
    QVERIFY(ParseDate(DateText(qint32(QDate(1999, 1, 2).toJulianDay())), jd));
    QCOMPARE(QDate::fromJulianDay(jd), QDate(1999, 1, 2));
  }
};

CORVANE_TEST_MAIN(TestValues)
#include "tst_values.moc"
