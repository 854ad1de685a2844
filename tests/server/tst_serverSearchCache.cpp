#include "searchCache.h"

#include <QTest>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

class tst_serverSearchCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsRepliesUpToItsSize();
    void identicalMissesMakeTheReplyOnce();
    void aFailedMakeReachesEveryWaiterAndIsNotKept();
    void turnedOffEveryCallMakesItsOwn();
};

namespace {

SearchCache::Reply text(const char *value)
{
    return std::make_shared<const std::string>(value);
}

// Lets the first maker finish only once every other caller waits for it.
void waitForWaiters(const SearchCache &cache, std::size_t count)
{
    while (cache.waiting() < count)
        std::this_thread::yield();
}

} // namespace

void tst_serverSearchCache::keepsRepliesUpToItsSize()
{
    SearchCache cache(16 * 1024);
    int made = 0;
    auto make = [&] {
        ++made;
        return text("reply");
    };
    QCOMPARE(*cache.findOrMake("a", make), std::string("reply"));
    QCOMPARE(*cache.findOrMake("a", make), std::string("reply"));
    QCOMPARE(made, 1);
    QVERIFY(cache.find("a"));
    // Bigger than a shard holds: served, not kept.
    const auto huge = std::make_shared<const std::string>(std::string(64 * 1024, 'x'));
    QCOMPARE(cache.findOrMake("b", [&] { return huge; }), huge);
    QVERIFY(!cache.find("b"));
}

void tst_serverSearchCache::identicalMissesMakeTheReplyOnce()
{
    SearchCache cache(1024 * 1024);
    constexpr int callers = 8;
    std::atomic<int> made{0};
    std::vector<SearchCache::Reply> replies(callers);
    std::vector<std::thread> threads;
    for (int i = 0; i < callers; ++i) {
        threads.emplace_back([&, i] {
            replies[size_t(i)] = cache.findOrMake("1:0:night", [&] {
                ++made;
                waitForWaiters(cache, callers - 1);
                return text("lines");
            });
        });
    }
    for (auto &thread : threads)
        thread.join();
    QCOMPARE(made.load(), 1);
    for (const auto &reply : replies)
        QCOMPARE(reply, replies.front());
    QCOMPARE(cache.waiting(), std::size_t(0));
    // Another key is made on its own.
    QCOMPARE(*cache.findOrMake("1:0:day", [] { return text("other"); }), std::string("other"));
}

void tst_serverSearchCache::aFailedMakeReachesEveryWaiterAndIsNotKept()
{
    SearchCache cache(1024 * 1024);
    constexpr int callers = 4;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < callers; ++i) {
        threads.emplace_back([&] {
            try {
                cache.findOrMake("k", [&]() -> SearchCache::Reply {
                    waitForWaiters(cache, callers - 1);
                    throw std::runtime_error("query failed");
                });
            } catch (const std::runtime_error &) {
                ++failures;
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    QCOMPARE(failures.load(), callers);
    QVERIFY(!cache.find("k"));
    QCOMPARE(*cache.findOrMake("k", [] { return text("later"); }), std::string("later"));
}

void tst_serverSearchCache::turnedOffEveryCallMakesItsOwn()
{
    SearchCache cache(0);
    int made = 0;
    auto make = [&] {
        ++made;
        return text("reply");
    };
    cache.findOrMake("a", make);
    cache.findOrMake("a", make);
    QCOMPARE(made, 2);
    QVERIFY(!cache.find("a"));
}

QTEST_GUILESS_MAIN(tst_serverSearchCache)
#include "tst_serverSearchCache.moc"
