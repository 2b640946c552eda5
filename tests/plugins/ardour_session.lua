-- Drives Ardour headless (ardour7-lua, dummy backend) through one Sorvell plugin.
-- The driver script prepends: FORMAT ("LV2" or "VST3"), PLUGIN (URI or name), DIR, PHASE.
-- Phase "create": a session with one stereo track, a noise generator and Sorvell; checks the
-- parameters, the latency, a factory preset and the output level, changes three parameters and
-- saves.
-- Phase "reload": a second process opens the session and checks that the changes are back.
-- Every check prints "FAIL ..." when it fails; the last line is "DONE <phase>".

local failures = 0
local function check(ok, what)
  if not ok then
    failures = failures + 1
    print("FAIL " .. what)
  end
end

-- name -> {n = control number, port = parameter index, descriptor}
local function controls(insert)
  local plugin = insert:to_plugininsert():plugin(0)
  local found = {}
  for n = 0, plugin:parameter_count() - 1 do
    local port, ok = plugin:nth_parameter(n, true)
    if ok and plugin:parameter_is_input(port) then
      local _, t = plugin:get_parameter_descriptor(port, ARDOUR.ParameterDescriptor())
      found[plugin:parameter_label(port)] = {n = n, port = port, d = t[2]}
    end
  end
  return found
end

-- Dry/wet is the first input parameter: VST3 wrappers that mistake the first parameter for a
-- MIDI controller lose it.
local changed = { ["Dry/wet"] = 0.5, ["Frequency"] = 220, ["Decay time"] = 3, ["Modulation mode"] = 2 }

AudioEngine:set_backend("None (Dummy)", "", "")
local kind = FORMAT == "LV2" and ARDOUR.PluginType.LV2 or ARDOUR.PluginType.VST3

if PHASE == "create" then
  local s = create_session(DIR, "sorvell", 48000)
  local track = s:new_audio_track(2, 2, nil, 1, "Resonated", ARDOUR.PresentationInfo.max_order,
                                  ARDOUR.TrackMode.Normal, true):front()
  local noise = ARDOUR.LuaAPI.new_luaproc(s, "ACE Noise")
  track:add_processor_by_index(noise, 0, nil, true)
  local insert = ARDOUR.LuaAPI.new_plugin(s, PLUGIN, kind, "")
  check(not insert:isnil(), "plugin not found: " .. PLUGIN)
  if insert:isnil() then print("DONE " .. PHASE) return end
  track:add_processor_by_index(insert, 1, nil, true)

  local c = controls(insert)
  -- label, lower, upper, default, integer
  local expected = {
    {"Dry/wet", 0, 1, 1, false}, {"Post gain", -24, 24, 0, false},
    {"Partial stretch", -1, 1, 0, false}, {"Pitch shift", -48, 48, 0, false},
    {"Decay time", 0.001, 20, 0.222, false}, {"High frequency damping", 0, 1, 0, false},
    {"Low frequency damping", 0, 1, 0, false}, {"Unison voices", 1, 8, 1, true},
    {"Unison amount", 0, 1, 0, false}, {"Harmonics", 1, 256, 256, true},
    {"Frequency", 20, 20000, 440, false}, {"Modulation mode", 0, 3, 0, true},
    {"Modulation rate", 0, 1, 0.1, false}, {"Pitch modulation", 0, 4, 0, false},
    {"Bypass", 0, 1, 0, nil}, {"Pitch source", 0, 2, 0, nil},
  }
  local function near(a, b) return math.abs(a - b) <= 1e-6 * math.max(1, math.abs(b)) end
  for _, e in ipairs(expected) do
    local p = c[e[1]]
    check(p ~= nil, "missing parameter " .. e[1])
    if p then
      check(near(p.d.lower, e[2]) and near(p.d.upper, e[3]) and near(p.d.normal, e[4]),
            string.format("range of %s: %g .. %g default %g", e[1], p.d.lower, p.d.upper, p.d.normal))
      if e[5] ~= nil then
        check(p.d.integer_step == e[5], "integer hint of " .. e[1])
      end
    end
  end
  if FORMAT == "LV2" then
    for _, label in ipairs({"Modulation mode", "Pitch source"}) do
      check(c[label] and c[label].d.enumeration, label .. " is no enumeration")
    end
    check(c["Frequency"] and c["Frequency"].d.logarithmic, "frequency is not logarithmic")
    check(c["Decay time"] and c["Decay time"].d.logarithmic, "decay is not logarithmic")
  end
  check(insert:signal_latency() == 1536, "latency " .. tostring(insert:signal_latency()))

  -- The factory presets, in the host's preset list of the plugin. Loading one is checked for
  -- LV2 only: a VST3 program change makes Ardour wait for its GUI thread, which a headless
  -- session does not have.
  local plugin = insert:to_plugininsert():plugin(0)
  for _, name in ipairs({"drone", "strings", "shimmer", "bell", "dark-body", "room"}) do
    check(plugin:preset_by_label(name) ~= nil, "no preset " .. name)
  end
  if FORMAT == "LV2" then
    check(plugin:load_preset(plugin:preset_by_label("bell")), "preset bell not loaded")
    for label, value in pairs({ ["Frequency"] = 329.63, ["Harmonics"] = 24, ["Partial stretch"] = 0.35 }) do
      local now = ARDOUR.LuaAPI.get_processor_param(insert, c[label].n, true)
      check(math.abs(now - value) < 1e-3, string.format("preset bell: %s is %g", label, now))
    end
  end

  for label, value in pairs(changed) do
    ARDOUR.LuaAPI.set_processor_param(insert, c[label].n, value)
  end
  s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  ARDOUR.LuaAPI.usleep(1500000)
  local peak = math.max(track:peak_meter():meter_level(0, ARDOUR.MeterType.MeterPeak),
                        track:peak_meter():meter_level(1, ARDOUR.MeterType.MeterPeak))
  print(string.format("output peak %.1f dBFS", peak))
  check(peak > -60, "silent output")
  s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  ARDOUR.LuaAPI.usleep(200000)
  s:save_state("", false, false, false, false, false)
else
  local s = load_session(DIR, "sorvell")
  local track = s:route_by_name("Resonated")
  local insert = track:nth_plugin(1)
  check(not insert:isnil(), "plugin missing after reload")
  if not insert:isnil() then
    local c = controls(insert)
    for label, value in pairs(changed) do
      local now = ARDOUR.LuaAPI.get_processor_param(insert, c[label].n, true)
      check(math.abs(now - value) < 1e-3, string.format("%s after reload: %g", label, now))
    end
    check(insert:signal_latency() == 1536, "latency after reload")
  end
end
close_session()
print("DONE " .. PHASE .. " failures " .. failures)
