#include "searchCache.h"

#include <functional>

namespace {
constexpr std::size_t shardCount = 16;
}

SearchCache::SearchCache(std::size_t capacityBytes)
    : m_shardCapacity(capacityBytes / shardCount)
{
    for (std::size_t i = 0; i < shardCount; ++i)
        m_shards.push_back(std::make_unique<Shard>());
}

SearchCache::Shard &SearchCache::shardFor(const std::string &key)
{
    return *m_shards[std::hash<std::string>()(key) % shardCount];
}

std::shared_ptr<const std::string> SearchCache::find(const std::string &key)
{
    if (m_shardCapacity == 0)
        return nullptr;
    Shard &shard = shardFor(key);
    std::lock_guard lock(shard.mutex);
    const auto found = shard.index.find(key);
    if (found == shard.index.end())
        return nullptr;
    shard.order.splice(shard.order.begin(), shard.order, found->second);
    return found->second->second;
}

void SearchCache::insert(const std::string &key, std::shared_ptr<const std::string> reply)
{
    const std::size_t cost = key.size() + reply->size();
    if (cost > m_shardCapacity)
        return;
    Shard &shard = shardFor(key);
    std::lock_guard lock(shard.mutex);
    if (shard.index.count(key))
        return;
    shard.order.emplace_front(key, std::move(reply));
    shard.index.emplace(shard.order.front().first, shard.order.begin());
    shard.bytes += cost;
    while (shard.bytes > m_shardCapacity && !shard.order.empty()) {
        auto &oldest = shard.order.back();
        shard.bytes -= oldest.first.size() + oldest.second->size();
        shard.index.erase(oldest.first);
        shard.order.pop_back();
    }
}

std::size_t SearchCache::sizeBytes() const
{
    std::size_t total = 0;
    for (const auto &shard : m_shards) {
        std::lock_guard lock(shard->mutex);
        total += shard->bytes;
    }
    return total;
}
