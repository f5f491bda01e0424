#include "LengthValidator.h"

#include <QTest>

class tst_LengthValidator : public QObject
{
    Q_OBJECT

private slots:
    void validate_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("state");
        QTest::newRow("empty") << 0 << int(QValidator::Acceptable);
        QTest::newRow("50") << 50 << int(QValidator::Acceptable);
        QTest::newRow("51") << 51 << int(QValidator::Invalid);
    }
    void validate()
    {
        QFETCH(int, length);
        QFETCH(int, state);
        const LengthValidator validator(50);
        QString input(length, QChar(0x00e9));
        int pos = length;
        if (state == QValidator::Invalid)
            QTest::ignoreMessage(QtDebugMsg, "LengthValidator: maxLength of 50 chars is reached");
        QCOMPARE(int(validator.validate(input, pos)), state);
    }
};

QTEST_GUILESS_MAIN(tst_LengthValidator)
#include "tst_LengthValidator.moc"
