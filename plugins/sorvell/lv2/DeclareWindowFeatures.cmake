# Run after the framework writes the LV2 window's Turtle (cmake -DTTL=... -P): declares the
# host features the window uses when offered, instance access and data access (the live
# spectra), as optional, so that hosts without them still show the window.
file(APPEND ${TTL} "
<urn:quendra:sorvell#DPF_UI>
    lv2:optionalFeature <http://lv2plug.in/ns/ext/instance-access> ,
                        <http://lv2plug.in/ns/ext/data-access> .
")
