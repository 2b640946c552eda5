ardour {
	["type"]    = "dsp",
	name        = "Sorvell Test Probe",
	category    = "Utility",
	license     = "MIT",
	author      = "Sorvell tests",
	description = [[The power of the left channel at fixed frequencies (Goertzel, Hann window of
16384 samples), half a second after the first sound once the transport rolls. Results in shared
memory: [1] is 1 once measured, [2..] the powers in the order of FREQUENCIES.]]
}

-- The chord's first two harmonics (A3 C#4 E4, then an octave up), then three frequencies
-- between them where nothing should ring.
local FREQUENCIES = { 220.0, 277.18, 329.63, 440.0, 554.37, 659.26, 247.0, 370.0, 494.0 }
local SETTLE = 24000
local LENGTH = 16384

local rate = 48000
local since = -1 -- samples since the first sound, -1 before it
local s1, s2 = {}, {}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (r)
	rate = r
	self:shmem ():allocate (#FREQUENCIES + 1)
	self:shmem ():clear ()
	for k = 1, #FREQUENCIES do s1[k] = 0; s2[k] = 0 end
end

function dsp_run (ins, outs, n_samples)
	local x = ins[1]:array ()
	local results = self:shmem ():to_float (0):array ()
	local rolling = Session:transport_rolling ()
	for i = 1, n_samples do
		if since < 0 and rolling and x[i] ~= 0 then since = 0 end
		if since >= 0 then
			local n = since - SETTLE
			if n >= 0 and n < LENGTH then
				local w = x[i] * (0.5 - 0.5 * math.cos (2 * math.pi * n / (LENGTH - 1)))
				for k = 1, #FREQUENCIES do
					local c = 2 * math.cos (2 * math.pi * FREQUENCIES[k] / rate)
					local s0 = w + c * s1[k] - s2[k]
					s2[k] = s1[k]
					s1[k] = s0
				end
			elseif n == LENGTH then
				for k = 1, #FREQUENCIES do
					local c = 2 * math.cos (2 * math.pi * FREQUENCIES[k] / rate)
					results[k + 1] = s1[k] * s1[k] + s2[k] * s2[k] - c * s1[k] * s2[k]
				end
				results[1] = 1
			end
			since = since + 1
		end
	end
	for c = 1, #ins do
		if ins[c] ~= outs[c] then ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples) end
	end
end
