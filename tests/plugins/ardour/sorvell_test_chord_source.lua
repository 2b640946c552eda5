ardour {
	["type"]    = "dsp",
	name        = "Sorvell Test Chord Source",
	category    = "Utility",
	license     = "MIT",
	author      = "Sorvell tests",
	description = [[From the first cycle the transport rolls: white noise from a fixed seed on two
channels, and a held A major chord (A3, C#4, E4) as MIDI note-ons. Silent before, so that what
follows depends on the samples since the roll alone, never on when it came.]]
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 2 } }
end

local seed = 12345
local sent = false

function dsp_run (ins, outs, n_samples)
	if not Session:transport_rolling () then
		for c = 1, #outs do ARDOUR.DSP.memset (outs[c], 0, n_samples) end
		return
	end
	if not sent then
		for i, note in ipairs ({ 57, 61, 64 }) do
			midiout[i] = { time = 1, data = { 0x90, note, 100 } }
		end
		sent = true
	end
	for c = 1, #outs do
		local out = outs[c]:array ()
		for i = 1, n_samples do
			seed = (seed * 1103515245 + 12345) % 2147483648
			out[i] = (seed / 1073741824.0 - 1.0) * 0.25
		end
	end
end
