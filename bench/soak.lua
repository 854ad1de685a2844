-- wrk script of the soak: requests from SOAK_LIST, each line "status<TAB>host<TAB>target<TAB>referer<TAB>cookie"
-- (target as raw bytes), all lines of one expected status.
-- A reply with another status counts as unexpected; done() prints one "soak" line of counts.
local list = {}
for line in io.lines(os.getenv("SOAK_LIST")) do
    local status, host, target, referer, cookie = line:match("^(%d+)\t([^\t]*)\t([^\t]*)\t([^\t]*)\t([^\t]*)$")
    if status then
        local headers = { ["Host"] = host, ["User-Agent"] = "Sonavex soak", ["Connection"] = "Keep-Alive" }
        if referer ~= "" then headers["Referer"] = referer end
        if cookie ~= "" then headers["Cookie"] = cookie end
        expected = tonumber(status)
        list[#list + 1] = wrk.format("GET", target, headers)
    end
end

local threads = {}
function setup(thread)
    threads[#threads + 1] = thread
    thread:set("threadId", #threads)
end

-- The crawl lists every endpoint for one artist after the other: walking the list in order mixes
-- them; each thread starts at its own place.
local n = 0
unexpected = 0
function init(args)
    math.randomseed(2000 + (threadId or 0))
    n = math.random(#list)
end

request = function()
    n = n % #list + 1
    return list[n]
end

response = function(status, headers, body)
    if status ~= expected then unexpected = unexpected + 1 end
end

function done(summary, latency, requests)
    local count = 0
    for _, thread in ipairs(threads) do count = count + thread:get("unexpected") end
    local e = summary.errors
    io.write(string.format("soak %d %d %d %d %d %d %d %.1f\n", expected, summary.requests, count, e.connect,
        e.read, e.write, e.timeout, latency:percentile(99) / 1000))
end
