#pragma once

#include <cstddef>
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

    std::shared_ptr<const std::string> find(const std::string &key);
    void insert(const std::string &key, std::shared_ptr<const std::string> reply);
    std::size_t sizeBytes() const;

private:
    struct Shard
    {
        mutable std::mutex mutex;
        std::list<std::pair<std::string, std::shared_ptr<const std::string>>> order; // front: newest
        std::unordered_map<std::string_view, decltype(order)::iterator> index;
        std::size_t bytes = 0;
    };
    Shard &shardFor(const std::string &key);

    std::size_t m_shardCapacity;
    std::vector<std::unique_ptr<Shard>> m_shards;
};
