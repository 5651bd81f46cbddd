// How the database layer reads the statements it is given: which ones the
// table mirror may answer from memory, and which go to the engine as written.
#include "TestSupport.h"
#include "sqlite/SqlStatement.h"

using Kind = SqlStatement::Kind;
Q_DECLARE_METATYPE(SqlStatement::Kind)

class TestStatements : public QObject {
  Q_OBJECT

 private slots:
  void reading_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("fromMemory");
    const QStringList none;
    QTest::newRow("delete star") << "Delete * from tblYieldReport" << Kind::DeleteAll << "tblYieldReport"
                                 << "" << none << false;
    QTest::newRow("delete") << "  DELETE FROM \"t\" ; " << Kind::DeleteAll << "t"
                            << "" << none << false;
    QTest::newRow("delete where") << "DELETE FROM t WHERE a = 1" << Kind::Other << ""
                                  << "" << none << false;
    QTest::newRow("delete two tables") << "DELETE FROM t, u" << Kind::Other << ""
                                       << "" << none << false;
    QTest::newRow("select sorted") << "SELECT * FROM tblYieldReport order by bdate,material,width" << Kind::SelectAll
                                   << "tblYieldReport"
                                   << "" << QStringList{"bdate", "material", "width"} << true;
    QTest::newRow("select spaced") << "select  *  from t  ORDER  BY  a ,  b ;" << Kind::SelectAll << "t"
                                   << "" << QStringList{"a", "b"} << true;
    QTest::newRow("select unsorted") << "SELECT * FROM t" << Kind::SelectAll << "t"
                                     << "" << none << true;
    QTest::newRow("select desc") << "SELECT * FROM t ORDER BY a DESC" << Kind::SelectAll << "t"
                                 << "" << QStringList{"a"} << false;
    QTest::newRow("select where") << "SELECT * FROM t WHERE a = 1 ORDER BY a" << Kind::SelectAll << "t"
                                  << "" << none << false;
    QTest::newRow("select limit") << "SELECT * FROM t ORDER BY a LIMIT 3" << Kind::SelectAll << "t"
                                  << "" << QStringList{"a"} << false;
    QTest::newRow("select expression key") << "SELECT * FROM t ORDER BY a + 1" << Kind::SelectAll << "t"
                                           << "" << QStringList{"a"} << false;
    QTest::newRow("select columns") << "SELECT a, b FROM t ORDER BY a" << Kind::Other << ""
                                    << "" << none << false;
    QTest::newRow("select join") << "SELECT * FROM t, u" << Kind::SelectAll << "t"
                                 << "" << none << false;
    QTest::newRow("distinct") << "SELECT DISTINCT material FROM tblYieldReport order by material"
                              << Kind::SelectDistinct << "tblYieldReport"
                              << "material" << QStringList{"material"} << true;
    QTest::newRow("distinct other case") << "select distinct Width from t order by WIDTH" << Kind::SelectDistinct << "t"
                                         << "Width" << QStringList{"WIDTH"} << true;
    QTest::newRow("distinct unsorted") << "SELECT DISTINCT a FROM t" << Kind::SelectDistinct << "t"
                                       << "a" << none << true;
    QTest::newRow("distinct by another") << "SELECT DISTINCT a FROM t ORDER BY b" << Kind::Other << ""
                                         << "" << none << false;
    QTest::newRow("distinct two columns") << "SELECT DISTINCT a, b FROM t" << Kind::Other << ""
                                          << "" << none << false;
    QTest::newRow("update") << "UPDATE t SET a = 1" << Kind::Other << ""
                            << "" << none << false;
    QTest::newRow("empty") << "" << Kind::Other << ""
                           << "" << none << false;
    QTest::newRow("unclosed quote") << "DELETE FROM \"t" << Kind::Other << ""
                                    << "" << none << false;
  }

  void reading() {
    QFETCH(QString, sql);
    QFETCH(Kind, kind);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QStringList, keys);
    QFETCH(bool, fromMemory);
    const SqlStatement st = SqlStatement::Parse(sql);
    QCOMPARE(st.kind, kind);
    QCOMPARE(st.table, table);
    QCOMPARE(st.column, column);
    if (!st.hasMore) QCOMPARE(st.sortKeys, keys);
    QCOMPARE(st.AnsweredFromMemory(), fromMemory);
  }
};

CORVANE_TEST_MAIN(TestStatements)
#include "tst_statements.moc"
