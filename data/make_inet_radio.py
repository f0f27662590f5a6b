#!/usr/bin/env python3
"""Writes data/inet_radio.pls: the stations by style, a starting playlist
and a few earlier searches, in Windows-1251 with CR LF and no byte-order mark.

The stations are long-lived public Icecast/SHOUTcast streams (MP3 or AAC)
of broadcasters that publish these addresses themselves. Style groups count
from File1, the playlist from File0, the history from File0.

Run from anywhere: python3 data/make_inet_radio.py
"""
from pathlib import Path

SOMA = "http://ice1.somafm.com/{}-128-mp3"
RADIO_FRANCE = "http://icecast.radiofrance.fr/{}-midfi.mp3"
RECORD = "http://air.radiorecord.ru:805/{}_320"
GLOBAL_UK = "http://media-ice.musicradio.com/{}"
SRG = "http://stream.srg-ssr.ch/m/{}/mp3_128"
NRJ_FR = "http://cdn.nrjaudio.fm/audio1/fr/{}/mp3_128.mp3"
VGTRK = "http://icecast.vgtrk.cdnvideo.ru/{}_mp3_192kbps"

# The 22 styles, in the order of the style list; each group is
# (title, stream address) pairs.
STYLES = {
    "Biues & rock": [
        ("Radio Paradise - Rock Mix", "http://stream.radioparadise.com/rock-128"),
        ("FIP Rock", RADIO_FRANCE.format("fiprock")),
        ("SomaFM - Boot Liquor (американа, блюз)", SOMA.format("bootliquor")),
        ("Rock FM", "http://nashe1.hostingradio.ru/rock-128.mp3"),
    ],
    "Classic FM": [
        ("Classic FM (UK)", GLOBAL_UK.format("ClassicFMMP3")),
        ("Радио Орфей", "http://orfeyfm.hostingradio.ru:8034/orfeyfm128.mp3"),
        ("WQXR 105.9 FM New York", "http://stream.wqxr.org/wqxr"),
        ("Радио Культура", VGTRK.format("kulturafm")),
    ],
    "Dance Pop": [
        ("Европа Плюс", "http://ep128.hostingradio.ru:8030/ep128"),
        ("Capital FM (UK)", GLOBAL_UK.format("CapitalMP3")),
        ("SomaFM - PopTron", SOMA.format("poptron")),
        ("NRJ France", NRJ_FR.format("30001")),
    ],
    "DNB": [
        ("Bassdrive - Worldwide Drum and Bass", "http://ice.bassdrive.net:80/stream"),
        ("DnB Radio", "http://source.dnbradio.com:10128/a128"),
        ("Jungletrain.net", "http://stream1.jungletrain.net:8000/"),
        ("Radio Record - Pirate Station", RECORD.format("ps")),
    ],
    "Jazz": [
        ("Radio Swiss Jazz", SRG.format("rsj")),
        ("FIP Jazz", RADIO_FRANCE.format("fipjazz")),
        ("Jazz24", "http://live.wostreaming.net/direct/ppm-jazz24mp3-ibc1"),
        ("SomaFM - Sonic Universe", SOMA.format("sonicuniverse")),
        ("Радио Jazz", "http://nashe1.hostingradio.ru/jazz-128.mp3"),
    ],
    "RnB": [
        ("SomaFM - Seven Inch Soul", SOMA.format("7soul")),
        ("FIP Groove", RADIO_FRANCE.format("fipgroove")),
        ("Mouv'", RADIO_FRANCE.format("mouv")),
        ("Capital XTRA", GLOBAL_UK.format("CapitalXTRANationalMP3")),
    ],
    "Русское": [
        ("Русское Радио", "http://rusradio.hostingradio.ru/rusradio128.mp3"),
        ("Наше Радио", "http://nashe1.hostingradio.ru/nashe-128.mp3"),
        ("Радио России", VGTRK.format("rrzonam")),
    ],
    "Tehno": [
        ("Intergalactic FM - Murder Capital", "http://radio.intergalactic.fm/1"),
        ("SomaFM - DEF CON Radio", SOMA.format("defcon")),
        ("FIP Electro", RADIO_FRANCE.format("fipelectro")),
        ("TechnoBase.FM", "http://mp3.stream.tb-group.fm/tb.mp3"),
    ],
    "Без стиля": [
        ("FIP", RADIO_FRANCE.format("fip")),
        ("Radio Paradise - Main Mix", "http://stream.radioparadise.com/mp3-128"),
        ("KEXP 90.3 FM Seattle", "http://kexp-mp3-128.streamguys1.com/kexp128.mp3"),
        ("WFMU Freeform", "http://stream0.wfmu.org/freeform-128k"),
    ],
    "Електронная": [
        ("SomaFM - Beat Blender", SOMA.format("beatblender")),
        ("SomaFM - cliqhop idm", SOMA.format("cliqhop")),
        ("SomaFM - Space Station Soma", SOMA.format("spacestation")),
        ("SomaFM - Digitalis", SOMA.format("digitalis")),
    ],
    "Классика": [
        ("Radio Swiss Classic", SRG.format("rsc_de")),
        ("France Musique", RADIO_FRANCE.format("francemusique")),
        ("WCPE The Classical Station", "http://audio-mp3.ibiblio.org:8000/wcpe.mp3"),
        ("Radio Classique", "http://radioclassique.ice.infomaniak.ch/radioclassique-high.mp3"),
    ],
    "Музыка стран": [
        ("FIP Monde", RADIO_FRANCE.format("fipworld")),
        ("FIP Reggae", RADIO_FRANCE.format("fipreggae")),
        ("SomaFM - Suburbs of Goa", SOMA.format("suburbsofgoa")),
        ("SomaFM - ThistleRadio (кельтская)", SOMA.format("thistle")),
    ],
    "Новости": [
        ("Вести FM", VGTRK.format("vestifm")),
        ("franceinfo", RADIO_FRANCE.format("franceinfo")),
        ("NPR News", "http://npr-ice.streamguys1.com/live.mp3"),
        ("Радио Маяк", VGTRK.format("mayakfm")),
    ],
    "Релаксация": [
        ("SomaFM - Drone Zone", SOMA.format("dronezone")),
        ("SomaFM - Groove Salad", SOMA.format("groovesalad")),
        ("SomaFM - Deep Space One", SOMA.format("deepspaceone")),
        ("Radio Paradise - Mellow Mix", "http://stream.radioparadise.com/mellow-128"),
    ],
    "Ретро": [
        ("Ретро FM", "http://retroserver.streamr.ru:8043/retro128"),
        ("SomaFM - Left Coast 70s", SOMA.format("seventies")),
        ("SomaFM - Secret Agent", SOMA.format("secretagent")),
        ("Radio Record - Супердискотека 90-х", RECORD.format("sd90")),
    ],
    "Рок": [
        ("Радио Maximum", "http://maximum.hostingradio.ru/maximum128.mp3"),
        ("Radio X (UK)", GLOBAL_UK.format("RadioXUKMP3")),
        ("SomaFM - Metal Detector", SOMA.format("metal")),
        ("SomaFM - Black Rock FM", SOMA.format("brfm")),
    ],
    "Танцевальная": [
        ("Radio Record", RECORD.format("rr")),
        ("Radio Record - Trancemission", RECORD.format("tm")),
        ("DFM", "http://dfm.hostingradio.ru/dfm96.aacp"),
        ("SomaFM - The Trip", SOMA.format("thetrip")),
    ],
    "Хиты 80-х": [
        ("SomaFM - Underground 80s", SOMA.format("u80s")),
        ("1.FM - Back to the 80s", "http://strm112.1.fm/back280s_mobile_mp3"),
        ("Gold (UK)", GLOBAL_UK.format("GoldMP3")),
    ],
    "Шансон": [
        ("Радио Шансон", "http://chanson.hostingradio.ru:8041/chanson128.mp3"),
        ("Chante France", "http://chantefrance.ice.infomaniak.ch/chantefrance-128.mp3"),
        ("Nostalgie (France)", NRJ_FR.format("30601")),
    ],
    "Эротика": [
        ("SomaFM - Lush", SOMA.format("lush")),
        ("Cherie FM", NRJ_FR.format("30201")),
        ("SomaFM - Illinois Street Lounge", SOMA.format("illstreet")),
        ("Smooth Radio (UK)", GLOBAL_UK.format("SmoothUKMP3")),
    ],
    # No other long-lived public humour stream is known to us.
    "Юмор": [
        ("Rire & Chansons", NRJ_FR.format("30401")),
    ],
    "Всё подряд": [
        ("Radio Paradise - Main Mix", "http://stream.radioparadise.com/mp3-128"),
        ("SomaFM - Groove Salad", SOMA.format("groovesalad")),
        ("FIP", RADIO_FRANCE.format("fip")),
        ("Европа Плюс", "http://ep128.hostingradio.ru:8030/ep128"),
        ("Наше Радио", "http://nashe1.hostingradio.ru/nashe-128.mp3"),
        ("Radio Swiss Jazz", SRG.format("rsj")),
        ("Radio Record", RECORD.format("rr")),
        ("SomaFM - Indie Pop Rocks!", SOMA.format("indiepop")),
        ("KEXP 90.3 FM Seattle", "http://kexp-mp3-128.streamguys1.com/kexp128.mp3"),
        ("Radio Swiss Pop", SRG.format("rsp")),
    ],
}

PLAYLIST = [
    ("SomaFM - Groove Salad", SOMA.format("groovesalad")),
    ("Radio Paradise - Main Mix", "http://stream.radioparadise.com/mp3-128"),
    ("Наше Радио", "http://nashe1.hostingradio.ru/nashe-128.mp3"),
    ("Radio Swiss Jazz", SRG.format("rsj")),
]

HISTORY = ["Depeche Mode", "Кино", "Pink Floyd", "Земфира", "Metallica"]


def main() -> None:
    # The style list shows these in this order; the group names must match.
    assert len(STYLES) == 22
    lines = ["; Kestrel Player: радиостанции по стилям, плейлист и история поиска"]
    for style, stations in STYLES.items():
        lines.append(f"[{style}]")
        for n, (title, address) in enumerate(stations, start=1):
            lines += [f"File{n} = {address}", f"Title{n} = {title}"]
    lines.append("[Плейлист]")
    for n, (title, address) in enumerate(PLAYLIST):
        lines += [f"File{n} = {address}", f"Title{n} = {title}"]
    lines.append("[История]")
    lines += [f"File{n} = {query}" for n, query in enumerate(HISTORY)]
    text = "".join(line + "\r\n" for line in lines)
    out = Path(__file__).resolve().parent / "inet_radio.pls"
    out.write_bytes(text.encode("cp1251"))


if __name__ == "__main__":
    main()
