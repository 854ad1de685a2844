-- wrk script: searches of one kind (SEARCH_KIND = keyword | artist | title) addressed to the service by
-- its Host name (SEARCH_HOST). Terms come from SEARCH_TERMS, one "kind<TAB>query" line each, made
-- from the catalogue's own words; each thread walks them in its own random order.
local kind = os.getenv("SEARCH_KIND") or "keyword"
local host = os.getenv("SEARCH_HOST") or "sonavex.localhost:8080"
local termsPath = os.getenv("SEARCH_TERMS")

local scripts = {
    keyword = "/trelvoTracksByKeyword.php?",
    artist = "/trelvoTracksByArtist.php?",
    title = "/trelvoTracksByTitle.php?",
}

local queries = {}
if termsPath then
    for line in io.lines(termsPath) do
        local k, query = line:match("^(%a+)\t(.*)$")
        if k == kind then
            queries[#queries + 1] = query
        end
    end
end
if #queries == 0 then
    queries = { "genre=0&keyword=night&track=", "genre=0&artist=the%&track=", "genre=0&artist=&track=love%" }
end

local threadCount = 0
function setup(thread)
    threadCount = threadCount + 1
    thread:set("threadId", threadCount)
end

local order = {}
local n = 0
function init(args)
    math.randomseed(1000 + (threadId or 0))
    for i = 1, #queries do
        order[i] = i
    end
    for i = #order, 2, -1 do
        local j = math.random(i)
        order[i], order[j] = order[j], order[i]
    end
end

request = function()
    n = n % #order + 1
    return wrk.format("GET", scripts[kind] .. queries[order[n]], { ["Host"] = host })
end
