-- wrk script: searches of one kind (SEARCH_KIND = keyword | artist | title) with varied terms and
-- genres, addressed to the service by its Host name (SEARCH_HOST).
local kind = os.getenv("SEARCH_KIND") or "keyword"
local host = os.getenv("SEARCH_HOST") or "sonavex.localhost:8080"

local keywords = {
    "love", "night", "heart", "fire", "rain", "river", "dream", "summer", "winter", "shadow", "silver",
    "golden", "velvet", "electric", "midnight", "ocean", "storm", "echo", "garden", "highway",
    "love%20night", "summer%20rain", "golden%20heart", "the%20river", "running%20through", "cafe",
    "broken%20mirror", "neon%20light", "lost", "moon", "stars", "falling", "wild%20fire", "blue",
    "harbour%20lights", "secret%20garden", "alex%20hart", "dj%20fire", "lunar%20tide", "wolf",
}
local artists = {
    "the", "the%20silver", "the%20golden", "dj", "mc", "alex", "maya", "marco", "sofia", "night",
    "velvet", "golden%20heart", "silver", "ann", "mira%20solenne", "salt%20%26%20pepper", "echo",
    "lena", "ocean", "neon", "zoe", "jose", "hollow", "desert", "iron", "river", "tiger", "raven",
}
local titles = {
    "love", "the", "running", "golden", "caf", "night", "don't", "where%20is", "silver%20moon",
    "falling", "summer", "fire", "the%20river", "electric", "dancing%20through", "midnight", "rain",
    "ocean", "burning", "holy", "lazy", "wild", "empty", "endless", "tender", "violet", "amber",
}

local n = 0
request = function()
    n = n + 1
    local genre = (n % 4 == 0) and tostring(n % 22) or "0"
    local path
    if kind == "artist" then
        path = "/trelvoTracksByArtist.php?genre=" .. genre .. "&artist=" .. artists[(n % #artists) + 1] .. "%&track="
    elseif kind == "title" then
        path = "/trelvoTracksByTitle.php?genre=" .. genre .. "&artist=&track=" .. titles[(n % #titles) + 1] .. "%"
    else
        path = "/trelvoTracksByKeyword.php?genre=" .. genre .. "&keyword=" .. keywords[(n % #keywords) + 1] .. "&track="
    end
    return wrk.format("GET", path, { ["Host"] = host })
end
