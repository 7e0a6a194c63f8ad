-- What the session manager of the private PipeWire server runs: the default
-- sink and the linking of streams, nothing that looks for devices. Nodes are
-- never suspended, so the null sink's monitor records on the wall clock.
components = {}

local function module(name, args)
  components[name] = { "libwireplumber-module-" .. name, type = "module", args = args }
end

local function script(name, args)
  components[name] = { name, type = "script/lua", args = args }
end

local policy = { ["move"] = true, ["follow"] = true, ["audio.no-dsp"] = false }

module("metadata")
module("default-nodes", { ["use-persistent-storage"] = false })
module("default-nodes-api")
module("si-node")
module("si-audio-adapter")
module("si-standard-link")
module("si-audio-endpoint")
script("access/access-default.lua", { rules = {} })
script("create-item.lua", policy)
script("policy-node.lua", policy)
