#include "songlist/shuffle_order.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// The pool algorithm as first written: draw r, take pool(r), shift the rest of the pool down
// one place. Quadratic; kept here as the definition the fast order must match.
std::vector<int32_t> poolReference(int32_t max, uint32_t seed)
{
    ShuffleGenerator generator(seed);
    std::vector<int32_t> pool(static_cast<size_t>(max) + 2, 0);
    for (int32_t k = 1; k <= max; ++k)
        pool[static_cast<size_t>(k)] = k;
    std::vector<int32_t> order(static_cast<size_t>(max) + 1, 0);
    for (int32_t n = 0; n < max; ++n) {
        const float u = generator.next();
        const int32_t k = max - n;
        const auto r = static_cast<int32_t>(
            std::floor(static_cast<double>(static_cast<float>(k)) * u + 1.0));
        order[static_cast<size_t>(n)] = pool[static_cast<size_t>(r)];
        // pool(r + j) = pool(r + j + 1) for j = 0 to max − r.
        std::copy(pool.begin() + r + 1, pool.begin() + max + 2, pool.begin() + r);
    }
    return order;
}

} // namespace

class TestShuffleOrder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matchesPoolAlgorithmForEverySmallSize()
    {
        for (const uint32_t seed : {1u, 2u, 617u, 3535u}) {
            for (int32_t max = 0; max <= 300; ++max) {
                if (shuffleOrder(max, seed) != poolReference(max, seed))
                    QFAIL(qPrintable(QStringLiteral("max %1 seed %2 differs").arg(max).arg(seed)));
            }
        }
    }

    void matchesPoolAlgorithmForLargeSizes_data()
    {
        QTest::addColumn<int32_t>("max");
        QTest::addColumn<uint32_t>("seed");
        QTest::newRow("1000") << 1000 << 42u;
        QTest::newRow("power of two") << 4096 << 7u;
        QTest::newRow("power of two plus one") << 4097 << 3535u;
        QTest::newRow("largest 16-bit list") << 32766 << 1u;
        QTest::newRow("beyond 16-bit") << 40000 << 100u;
    }

    void matchesPoolAlgorithmForLargeSizes()
    {
        QFETCH(int32_t, max);
        QFETCH(uint32_t, seed);
        QCOMPARE(shuffleOrder(max, seed), poolReference(max, seed));
    }

    void isAPermutationWithTheFirstFileLast()
    {
        for (const int32_t max : {0, 1, 2, 17, 1000}) {
            const std::vector<int32_t> order = shuffleOrder(max, 99);
            QCOMPARE(order.size(), static_cast<size_t>(max) + 1);
            QCOMPARE(order.back(), 0);
            std::vector<int32_t> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            std::vector<int32_t> expected(sorted.size());
            std::iota(expected.begin(), expected.end(), 0);
            QCOMPARE(sorted, expected);
        }
        // Two files: always the second found first.
        for (uint32_t seed = 1; seed <= 3535; seed += 97)
            QCOMPARE(shuffleOrder(1, seed), (std::vector<int32_t> {1, 0}));
    }

    void differentSeedsGiveDifferentOrders()
    {
        QVERIFY(shuffleOrder(50, 1) != shuffleOrder(50, 2));
        QCOMPARE(shuffleOrder(50, 7), shuffleOrder(50, 7));
    }

    void generatorStaysBelowOne()
    {
        std::mt19937 engine(5);
        ShuffleGenerator generator(5);
        for (int i = 0; i < 100000; ++i) {
            const uint32_t raw = engine();
            const float u = generator.next();
            QVERIFY(u >= 0.0F && u < 1.0F);
            // The top 24 bits, exactly.
            QCOMPARE(static_cast<uint32_t>(u * 16777216.0F), raw >> 8);
        }
    }

    void drawPosition_data()
    {
        QTest::addColumn<int32_t>("k");
        QTest::addColumn<float>("u");
        QTest::addColumn<int32_t>("r");
        const float largest = 16777215.0F / 16777216.0F;
        QTest::newRow("one left, smallest u") << 1 << 0.0F << 1;
        QTest::newRow("one left, largest u") << 1 << largest << 1;
        QTest::newRow("ten left, largest u") << 10 << largest << 10;
        QTest::newRow("ten left, a tenth") << 10 << 0.1F << 2;
        QTest::newRow("three left, half") << 3 << 0.5F << 2;
        QTest::newRow("32766 left, largest u") << 32766 << largest << 32766;
        // Past 2^24 the count rounds up in single precision; the draw must stay in the pool.
        QTest::newRow("beyond float precision") << 16777219 << largest << 16777219;
    }

    void drawPosition()
    {
        QFETCH(int32_t, k);
        QFETCH(float, u);
        QFETCH(int32_t, r);
        QCOMPARE(::drawPosition(k, u), r);
    }

    void seedFromTheClock_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<uint32_t>("seed");
        QTest::newRow("smallest") << QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)) << 1u;
        QTest::newRow("largest") << QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59)) << 3535u;
        QTest::newRow("minute times second")
            << QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)) << 617u;
    }

    void seedFromTheClock()
    {
        QFETCH(QDateTime, now);
        QFETCH(uint32_t, seed);
        QCOMPARE(shuffleSeed(now), seed);
    }

    void yieldsOncePerDraw()
    {
        int yields = 0;
        shuffleOrder(250, 3, [&] { ++yields; });
        QCOMPARE(yields, 250);
    }
};

QTEST_GUILESS_MAIN(TestShuffleOrder)
#include "test_shuffle_order.moc"
