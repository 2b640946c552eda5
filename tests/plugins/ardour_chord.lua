-- Drives Ardour headless (ardour7-lua, dummy backend): the chord mode fed by the host's MIDI.
-- The driver script prepends FORMAT ("LV2" or "VST3"), PLUGIN (URI or name), DIR and PHASE.
-- A MIDI track carries our test source (ardour/: noise and a held A major chord as MIDI, from
-- the roll on), then Sorvell with the pitch source on Chord, then a probe that measures the
-- output's power at the chord's harmonics and between them. Every held note's first two
-- harmonics must stand 15 dB above everything measured between them. Every check prints
-- "FAIL ..." when it fails; the last line is "DONE <phase> failures N".

local failures = 0
local function check(ok, what)
  if not ok then
    failures = failures + 1
    print("FAIL " .. what)
  end
end

local function set(insert, label, value)
  local plugin = insert:to_plugininsert():plugin(0)
  for n = 0, plugin:parameter_count() - 1 do
    local port, ok = plugin:nth_parameter(n, true)
    if ok and plugin:parameter_is_input(port) and plugin:parameter_label(port) == label then
      ARDOUR.LuaAPI.set_processor_param(insert, n, value)
      return
    end
  end
  check(false, "no parameter " .. label)
end

AudioEngine:set_backend("None (Dummy)", "", "")
local kind = FORMAT == "LV2" and ARDOUR.PluginType.LV2 or ARDOUR.PluginType.VST3
local s = create_session(DIR, "chord", 48000)
local track = s:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
                               ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), false,
                               ARDOUR.PluginInfo(), nil, nil, 1, "Chord",
                               ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true,
                               false):front()
local source = ARDOUR.LuaAPI.new_luaproc(s, "Sorvell Test Chord Source")
local insert = ARDOUR.LuaAPI.new_plugin(s, PLUGIN, kind, "")
local probe = ARDOUR.LuaAPI.new_luaproc(s, "Sorvell Test Probe")
check(not source:isnil() and not probe:isnil(), "the test's own processors are not found")
check(not insert:isnil(), "plugin not found: " .. PLUGIN)
if source:isnil() or probe:isnil() or insert:isnil() then
  print("DONE " .. PHASE .. " failures " .. failures)
  return
end
track:add_processor_by_index(source, 0, nil, true)
track:add_processor_by_index(insert, 1, nil, true)
track:add_processor_by_index(probe, 2, nil, true)
local streams = insert:to_plugininsert():input_streams()
check(streams:n_audio() == 2 and streams:n_midi() == 1,
      string.format("the plugin gets %d audio and %d MIDI streams", streams:n_audio(),
                    streams:n_midi()))

-- Fundamentals and the second harmonics alone, so that what rings is easy to tell apart.
for label, value in pairs({ ["Pitch source"] = 2, ["Dry/wet"] = 1, ["Harmonics"] = 2,
                            ["Modulation mode"] = 0, ["Unison voices"] = 1,
                            ["Decay time"] = 0.5 }) do
  set(insert, label, value)
end
-- The settings are with the plugin before the roll: the source plays from the roll on.
s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
local results = probe:to_plugininsert():plugin(0):to_luaproc():shmem()
local measured = false
for _ = 1, 300 do
  ARDOUR.LuaAPI.usleep(100000)
  if results:to_float(0):array()[1] == 1 then
    measured = true
    break
  end
end
s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
check(measured, "no sound after the roll: the probe measured nothing")
if measured then
  local power = results:to_float(0):array()
  local function db(k) return 10 * math.log(power[k + 1] + 1e-30, 10) end
  local labels = { "A3", "C#4", "E4", "A3 x2", "C#4 x2", "E4 x2", "247 Hz", "370 Hz", "494 Hz" }
  local between = math.max(db(7), db(8), db(9))
  local line = "output"
  for k = 1, 9 do line = line .. string.format(" %s %.1f dB", labels[k], db(k)) end
  print(line)
  for k = 1, 6 do
    check(db(k) > between + 15, string.format("%s stands only %.1f dB above the rest", labels[k],
                                              db(k) - between))
  end
end
close_session()
print("DONE " .. PHASE .. " failures " .. failures)
