#include "searchCache.h"

#include <functional>

namespace {
constexpr std::size_t shardCount = 16;
}

SearchCache::SearchCache(std::size_t capacityBytes) : m_shardCapacity(capacityBytes / shardCount)
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

void SearchCache::insert(const std::string &key, Reply reply)
{
    Shard &shard = shardFor(key);
    std::lock_guard lock(shard.mutex);
    insertLocked(shard, key, std::move(reply));
}

SearchCache::Reply SearchCache::findOrMake(const std::string &key, const std::function<Reply()> &make)
{
    if (m_shardCapacity == 0)
        return make();
    Shard &shard = shardFor(key);
    std::promise<Reply> promise;
    {
        std::unique_lock lock(shard.mutex);
        const auto found = shard.index.find(key);
        if (found != shard.index.end()) {
            shard.order.splice(shard.order.begin(), shard.order, found->second);
            return found->second->second;
        }
        const auto pending = shard.making.find(key);
        if (pending != shard.making.end()) {
            const std::shared_future<Reply> future = pending->second;
            ++m_waiting;
            lock.unlock();
            future.wait();
            --m_waiting;
            return future.get();
        }
        shard.making.emplace(key, promise.get_future().share());
    }
    Reply reply;
    try {
        reply = make();
    } catch (...) {
        {
            std::lock_guard lock(shard.mutex);
            shard.making.erase(key);
        }
        promise.set_exception(std::current_exception());
        throw;
    }
    {
        // Cached before it stops being made, so a newcomer finds one or the other.
        std::lock_guard lock(shard.mutex);
        insertLocked(shard, key, reply);
        shard.making.erase(key);
    }
    promise.set_value(reply);
    return reply;
}

void SearchCache::insertLocked(Shard &shard, const std::string &key, Reply reply)
{
    const std::size_t cost = key.size() + reply->size();
    if (cost > m_shardCapacity)
        return;
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
