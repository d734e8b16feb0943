"""Label rules: which files of the allowed packages carry which labels.

Labels come from file and folder names only, so every rule below is a
reviewed keyword match on the path below the package's root (lower case,
'/'-separated, archives appear as '<archive>.d/'). Rules are tried in order;
the first match decides. A rule's labels may be empty: the file is left out
(false hits such as spoken animal names, mixed ambiences, synthetic
announcers). Files that no rule matches are not used."""
import re

GENERAL = ["speech", "silence", "noise", "music"]
INSTRUMENTS = ["piano", "organ", "acoustic_guitar", "electric_guitar", "bass_guitar", "bowed_strings",
               "harp", "flute", "reed_instrument", "brass_instrument", "accordion", "mallet_percussion",
               "drums"]
ANIMALS = ["bird", "cow", "horse", "sheep", "pig", "wolf_howl"]
ENVIRONMENT = ["footsteps", "door", "typing", "water", "rain", "wind", "thunder", "fire", "engine",
               "explosion", "gunshot", "glass_breaking", "bell", "applause"]
ALL_LABELS = GENERAL + INSTRUMENTS + ANIMALS + ENVIRONMENT
# Recordings labelled only "music" (game soundtracks) say nothing about which
# instruments play: for windows holding one, the instrument labels are unknown
# and neither train nor score the network.
UNKNOWN_IN_MUSIC = INSTRUMENTS
# Steady rain is, to the ear, broadband noise: whether a listener would also
# call it "noise" is a matter of words, not of sound. In windows that hold
# rain, the noise label is unknown unless noise of its own was mixed in.
UNKNOWN_WITH = {"rain": ["noise"]}

# How a source file becomes windows:
#   "long": a recording of one thing; crop 1-second windows from its active parts.
#   "clip": a short event; placed (or repeated) inside a 1-second window.
LONG, CLIP = "long", "clip"

_ASTERISK_SPEECH = r"usr/share/asterisk/sounds/.*\.(wav|gsm)$"

# (package regex, path regex, labels, kind)
RULES = [
    # Speech. The asterisk "silence/" prompts are near-silent recordings.
    (r"asterisk-core-sounds-", r"/silence/", ["silence"], LONG),
    (r"asterisk-", _ASTERISK_SPEECH, ["speech"], CLIP),
    (r"fillets-ng-data-cs", r"sound/.*\.(ogg|wav)$", ["speech"], CLIP),
    (r"klettres-data", r"usr/share/klettres/.*\.(ogg|wav)$", ["speech"], CLIP),
    # ktuberling's sound names are objects ("bird", "cow"): all spoken words.
    (r"ktuberling-data", r"usr/share/ktuberling/sounds/.*\.(ogg|wav)$", ["speech"], CLIP),
    (r"kajongg", r"voices/.*\.(ogg|wav)$", ["speech"], CLIP),
    (r"megaglest-data", r"factions/.*/units/.*/sounds/.*_(select|ack|die|attack)\d*\.(wav|ogg)$", [], CLIP),

    # Music.
    (r"wesnoth-1\.16-music", r"\.ogg$", ["music"], LONG),
    (r"warzone2100-music", r"\.(ogg|opus)$", ["music"], LONG),
    (r"drascula-music", r"\.(ogg|flac|wav)$", ["music"], LONG),
    (r"naev-data", r"/music/.*\.ogg$", ["music"], LONG),
    (r"colobot-common-sounds", r"/music/.*\.ogg$", ["music"], LONG),
    (r"0ad-data", r"audio/music/.*\.ogg$", ["music"], LONG),

    # Instruments shipped as samples.
    (r"hydrogen-drumkits-effects", r"guitarstrums/.*\.(flac|wav)$", ["acoustic_guitar", "music"], CLIP),
    (r"hydrogen-drumkits$", r"drumkits/.*\.(flac|wav)$", ["drums", "music"], CLIP),
    (r"grandorgue-demo", r"/motor\.wav$", [], CLIP),  # the organ's blower
    (r"grandorgue-demo", r"\.orgue\.d/.*\.wav$", ["organ", "music"], CLIP),
    (r"nexuiz-data", r"weapons/tuba_note-?\d+\.ogg$", ["brass_instrument", "music"], CLIP),

    # Animals.
    (r"0ad-data", r"fauna/animal/cattle_", ["cow"], CLIP),
    (r"0ad-data", r"fauna/(animal|death)/(horse_|death_horse)", ["horse"], CLIP),
    (r"0ad-data", r"fauna/(animal|death)/(sheep|goat)_", ["sheep"], CLIP),
    (r"0ad-data", r"fauna/animal/pig_", ["pig"], CLIP),
    (r"0ad-data", r"fauna/animal/(chicken|peacock|flamingo)_", ["bird"], CLIP),
    (r"0ad-data", r"ambient/.*(bird|songbird)", ["bird"], LONG),
    (r"megaglest-data", r"/cow_", ["cow"], CLIP),
    (r"megaglest-data", r"/pig_", ["pig"], CLIP),
    (r"megaglest-data", r"/sheep\d*\.", ["sheep"], CLIP),
    (r"megaglest-data", r"/(chicken|owl|rooster|bird)[^/]*\.", ["bird"], CLIP),
    (r"megaglest-data", r"/wolf[^/]*\.", ["wolf_howl"], CLIP),
    (r"megaglest-data", r"/horse_?\d*\.(wav|ogg)$", ["horse"], CLIP),
    (r"megaglest-data", r"/rain\.(wav|ogg)$", ["rain"], LONG),
    (r"megaglest-data", r"/wind\.(wav|ogg)$", ["wind"], LONG),
    (r"megaglest-data", r"/water\d\.wav$", ["water"], CLIP),
    (r"megaglest-data", r"/wicker_fire\.wav$", ["fire"], LONG),
    (r"wesnoth-1\.16-data", r"/horse-(hit|die)", ["horse"], CLIP),
    (r"wesnoth-1\.16-data", r"/horse-canter", ["horse", "footsteps"], LONG),
    (r"wesnoth-1\.16-data", r"/wolf-growl", ["wolf_howl"], CLIP),
    (r"wesnoth-1\.16-data", r"ambient/.*bird", ["bird"], LONG),

    # Environment and household.
    (r"0ad-data", r"(singlesteps/fs_|movement/footsteps/|movement/hstep_)", ["footsteps"], CLIP),
    (r"0ad-data", r"ambient/weather/(wind|windgust|windleaves|windstorm)_", ["wind"], LONG),
    (r"0ad-data", r"ambient/weather/rain_", ["rain"], LONG),
    (r"0ad-data", r"ambient/weather/snowstorm_", ["wind"], LONG),
    (r"0ad-data", r"/explode_debris_", ["explosion"], CLIP),
    (r"0ad-data", r"ambient/weather/thunder_", ["thunder"], CLIP),
    (r"0ad-data", r"ambient/(weather|water)/.*(river|wave|waterfall)", ["water"], LONG),
    (r"minetest-data", r"_footstep\.\d+\.ogg$", ["footsteps"], CLIP),
    (r"minetest-data", r"doors_.*(door|gate)_(open|close)", ["door"], CLIP),
    (r"minetest-data", r"(fire_fire|fire_small|fire_large)", ["fire"], LONG),
    (r"minetest-data", r"env_sounds_water", ["water"], LONG),
    (r"minetest-data", r"break_glass", ["glass_breaking"], CLIP),
    (r"minetest-data", r"tnt_explode", ["explosion"], CLIP),
    (r"flightgear-data-base", r"sounds/(wind|wind1|wind-8khz)\.wav$", ["wind"], LONG),
    (r"flightgear-data-base", r"sounds/(rain|rain-windshield)\.wav$", ["rain"], LONG),
    (r"flightgear-data-base", r"sounds/thunder\d*\.wav$", ["thunder"], CLIP),
    (r"flightgear-data-base", r"sounds/wave\.wav$", ["water"], LONG),
    (r"flightgear-data-base", r"sounds/(engine-prop|r-1535slow|turboprop1|turbojet_fan|jet|prop|"
                              r"turbine_loop|exhaust_loop|p51d_rpm1|helicopter|rotor|rotor-2blade)\.wav$",
     ["engine"], LONG),
    (r"flightgear-data-base", r"aircraft/c172p/sounds/(engine|idle|eng)[^/]*\.wav$", ["engine"], LONG),
    (r"flightgear-data-base", r"sounds/(door_close|door-closing|door-opening)\.wav$", ["door"], CLIP),
    (r"flightgear-data-base", r"sounds/(engine|engine-idle|engine-start|engine-crank)\.wav$", ["engine"], LONG),
    (r"flightgear-data-base", r"sounds/(water-fast|water-still)\.wav$", ["water"], LONG),
    (r"flightgear-data-base", r"sounds/gatling\.wav$", ["gunshot"], LONG),
    # Steady machine noise: fans, hum, rumble, static. Loops whose level
    # swings (working machines, bursts of steam) are left out.
    (r"flightgear-data-base", r"sounds/(radionoise|fan|rumble|rumble-rough)\.wav$", ["noise"], LONG),
    (r"openarena-data", r"player/footsteps/", ["footsteps"], CLIP),
    (r"openarena-data", r"world/(wind\d|demonwind01)\.wav$", ["wind"], LONG),
    (r"openarena-data", r"world/(fire\d|firesoft)\.wav$", ["fire"], LONG),
    (r"openarena-data", r"world/(waterfall|drops)\.wav$", ["water"], LONG),
    (r"openarena-data", r"world/(fan|fan4|neonhum|drone6|electro|machinerydrone0[12]|tim_drone1)\.wav$",
     ["noise"], LONG),
    (r"openarena-data", r"weapons/(machinegun|vulcan|shotgun)/[^/]*f\d", ["gunshot"], CLIP),
    (r"openarena-data", r"weapons/(rocket|grenade)/.*(rocklx|gren.*exp|explo)", ["explosion"], CLIP),
    (r"nexuiz-data", r"ambient/(fan4|transformer|machinerydrone01)\.ogg$", ["noise"], LONG),
    (r"nexuiz-data", r"desertfactory/(radiostatic|steam|generator|machinevat)_loop\.wav$", ["noise"], LONG),
    (r"nexuiz-data", r"desertfactory/(windhowling|windoutside)_loop\.(ogg|wav)$", ["wind"], LONG),
    (r"nexuiz-data", r"misc/footstep\d+\.wav$", ["footsteps"], CLIP),
    (r"nexuiz-data", r"weapons/(uzi_fire|shotgun_fire|campingrifle_fire\d*)\.ogg$", ["gunshot"], CLIP),
    (r"nexuiz-data", r"weapons/(rocket_impact|grenade_impact|hagexp\d)\.ogg$", ["explosion"], CLIP),
    (r"warzone2100-data", r"sfx/explons/[^/]*expl?[^/]*\.ogg$", ["explosion"], CLIP),
    (r"warzone2100-data", r"sfx/building/powerhum\.ogg$", ["noise"], LONG),
    (r"warzone2100-data", r"sfx/weapons/(mgbar\d|mgheavy|mgtower|asltmg)\.ogg$", ["gunshot"], CLIP),
    (r"naev-data", r"sounds/(explosion\d|lrgexp\d|medexp\d)\.", ["explosion"], CLIP),
    (r"bucklespring-data", r"\.wav$", ["typing"], CLIP),
    (r"wesnoth-1\.16-data", r"sounds/fire\.wav$", ["fire"], LONG),
    (r"wesnoth-1\.16-data", r"sounds/bell\.wav$", ["bell"], CLIP),
]

_COMPILED = [(re.compile(p), re.compile(r), labels, kind) for p, r, labels, kind in RULES]


def label_file(package, relpath):
    """Returns (labels, kind) for a file, or None when it is not used."""
    path = relpath.lower()
    for package_re, path_re, labels, kind in _COMPILED:
        if package_re.search(package) and path_re.search(path):
            return (labels, kind) if labels else None
    return None
