#include "searchCache.h"

#include <QTest>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

const auto text = [](std::size_t size) { return std::make_shared<const std::string>(size, 'x'); };

class tst_serverSearchCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsWhatFits_data();
    void keepsWhatFits();
    void identicalMissesMakeTheReplyOnce_data();
    void identicalMissesMakeTheReplyOnce();
};

void tst_serverSearchCache::keepsWhatFits_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("kept");
    QTest::newRow("small reply") << 16 * 1024 << 5 << true;
    QTest::newRow("bigger than a shard holds") << 16 * 1024 << 64 * 1024 << false;
    QTest::newRow("turned off") << 0 << 5 << false;
}

void tst_serverSearchCache::keepsWhatFits()
{
    QFETCH(int, capacity);
    QFETCH(int, size);
    QFETCH(bool, kept);
    SearchCache cache{std::size_t(capacity)};
    int made = 0;
    const auto make = [&] { return ++made, text(std::size_t(size)); };
    QCOMPARE(cache.findOrMake("a", make)->size(), std::size_t(size));
    QCOMPARE(cache.findOrMake("a", make)->size(), std::size_t(size));
    QCOMPARE(made, kept ? 1 : 2);
    QCOMPARE(bool(cache.find("a")), kept);
}

void tst_serverSearchCache::identicalMissesMakeTheReplyOnce_data()
{
    QTest::addColumn<bool>("fail");
    QTest::newRow("made") << false;
    QTest::newRow("failed, reaching every waiter") << true;
}

void tst_serverSearchCache::identicalMissesMakeTheReplyOnce()
{
    QFETCH(bool, fail);
    SearchCache cache(1024 * 1024);
    constexpr int callers = 8;
    std::atomic<int> made{0};
    // Callers ask for one key at once; the maker finishes only once all the others wait for it.
    std::vector<SearchCache::Reply> replies(callers);
    std::vector<std::jthread> threads;
    for (int i = 0; i < callers; ++i) {
        threads.emplace_back([&, i] {
            try {
                replies[size_t(i)] = cache.findOrMake("k", [&] {
                    ++made;
                    while (cache.waiting() < size_t(callers - 1))
                        std::this_thread::yield();
                    if (fail)
                        throw std::runtime_error("query failed");
                    return text(5);
                });
            } catch (const std::runtime_error &) {
            }
        });
    }
    threads.clear(); // joins them
    QCOMPARE(made.load(), 1);
    QVERIFY(fail || replies.front());
    for (const auto &reply : replies)
        QVERIFY(reply == (fail ? nullptr : replies.front()));
    QCOMPARE(cache.waiting(), std::size_t(0));
    // A failure is not kept: the next call makes it again.
    QCOMPARE(cache.findOrMake("k", [] { return text(1); })->size(), std::size_t(fail ? 1 : 5));
}

QTEST_GUILESS_MAIN(tst_serverSearchCache)
#include "tst_serverSearchCache.moc"
