#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Finished search replies, least recently used dropped first. The catalogue never changes while the
// server runs, so an entry is never stale; popular searches then cost a lookup instead of a query.
class SearchCache
{
public:
    // capacityBytes 0 turns the cache off.
    explicit SearchCache(std::size_t capacityBytes);

    using Reply = std::shared_ptr<const std::string>;

    Reply find(const std::string &key);
    void insert(const std::string &key, Reply reply);
    // The cached reply, or make's. Identical misses at the same time call make once: the others wait
    // for that reply (or its exception) instead of running the same query again. Turned off, every
    // call makes its own.
    Reply findOrMake(const std::string &key, const std::function<Reply()> &make);
    std::size_t sizeBytes() const;
    // Callers waiting at this moment for a reply another caller is making.
    std::size_t waiting() const { return m_waiting.load(); }

private:
    struct Shard
    {
        mutable std::mutex mutex;
        std::list<std::pair<std::string, std::shared_ptr<const std::string>>> order; // front: newest
        std::unordered_map<std::string_view, decltype(order)::iterator> index;
        std::unordered_map<std::string, std::shared_future<Reply>> making;
        std::size_t bytes = 0;
    };
    Shard &shardFor(const std::string &key);
    void insertLocked(Shard &shard, const std::string &key, Reply reply);

    std::size_t m_shardCapacity;
    std::vector<std::unique_ptr<Shard>> m_shards;
    std::atomic<std::size_t> m_waiting{0};
};
