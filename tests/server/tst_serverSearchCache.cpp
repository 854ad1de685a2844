#include "searchCache.h"

#include <QTest>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

SearchCache::Reply text(std::size_t size)
{
    return std::make_shared<const std::string>(size, 'x');
}

// findOrMake on one key from callers threads at once; the maker finishes only once all the others
// wait for it. Each caller's reply, empty where make's exception reached it.
std::vector<SearchCache::Reply> together(SearchCache &cache, int callers, std::atomic<int> &made, bool fail)
{
    std::vector<SearchCache::Reply> replies(static_cast<size_t>(callers));
    std::vector<std::thread> threads;
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
    for (auto &thread : threads)
        thread.join();
    return replies;
}

} // namespace

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
    auto make = [&] {
        ++made;
        return text(std::size_t(size));
    };
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
    std::atomic<int> made{0};
    const auto replies = together(cache, 8, made, fail);
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
