; Kestrel Player: радиостанции по стилям, плейлист и история поиска
[Biues & rock]
File1 = http://stream.radioparadise.com/rock-128
Title1 = Radio Paradise - Rock Mix
File2 = http://icecast.radiofrance.fr/fiprock-midfi.mp3
Title2 = FIP Rock
File3 = http://ice1.somafm.com/bootliquor-128-mp3
Title3 = SomaFM - Boot Liquor (американа, блюз)
File4 = http://nashe1.hostingradio.ru/rock-128.mp3
Title4 = Rock FM
[Classic FM]
File1 = http://media-ice.musicradio.com/ClassicFMMP3
Title1 = Classic FM (UK)
File2 = http://orfeyfm.hostingradio.ru:8034/orfeyfm128.mp3
Title2 = Радио Орфей
File3 = http://stream.wqxr.org/wqxr
Title3 = WQXR 105.9 FM New York
File4 = http://icecast.vgtrk.cdnvideo.ru/kulturafm_mp3_192kbps
Title4 = Радио Культура
[Dance Pop]
File1 = http://ep128.hostingradio.ru:8030/ep128
Title1 = Европа Плюс
File2 = http://media-ice.musicradio.com/CapitalMP3
Title2 = Capital FM (UK)
File3 = http://ice1.somafm.com/poptron-128-mp3
Title3 = SomaFM - PopTron
File4 = http://cdn.nrjaudio.fm/audio1/fr/30001/mp3_128.mp3
Title4 = NRJ France
[DNB]
File1 = http://ice.bassdrive.net:80/stream
Title1 = Bassdrive - Worldwide Drum and Bass
File2 = http://source.dnbradio.com:10128/a128
Title2 = DnB Radio
File3 = http://stream1.jungletrain.net:8000/
Title3 = Jungletrain.net
File4 = http://air.radiorecord.ru:805/ps_320
Title4 = Radio Record - Pirate Station
[Jazz]
File1 = http://stream.srg-ssr.ch/m/rsj/mp3_128
Title1 = Radio Swiss Jazz
File2 = http://icecast.radiofrance.fr/fipjazz-midfi.mp3
Title2 = FIP Jazz
File3 = http://live.wostreaming.net/direct/ppm-jazz24mp3-ibc1
Title3 = Jazz24
File4 = http://ice1.somafm.com/sonicuniverse-128-mp3
Title4 = SomaFM - Sonic Universe
File5 = http://nashe1.hostingradio.ru/jazz-128.mp3
Title5 = Радио Jazz
[RnB]
File1 = http://ice1.somafm.com/7soul-128-mp3
Title1 = SomaFM - Seven Inch Soul
File2 = http://icecast.radiofrance.fr/fipgroove-midfi.mp3
Title2 = FIP Groove
File3 = http://icecast.radiofrance.fr/mouv-midfi.mp3
Title3 = Mouv'
File4 = http://media-ice.musicradio.com/CapitalXTRANationalMP3
Title4 = Capital XTRA
[Русское]
File1 = http://rusradio.hostingradio.ru/rusradio128.mp3
Title1 = Русское Радио
File2 = http://nashe1.hostingradio.ru/nashe-128.mp3
Title2 = Наше Радио
File3 = http://icecast.vgtrk.cdnvideo.ru/rrzonam_mp3_192kbps
Title3 = Радио России
[Tehno]
File1 = http://radio.intergalactic.fm/1
Title1 = Intergalactic FM - Murder Capital
File2 = http://ice1.somafm.com/defcon-128-mp3
Title2 = SomaFM - DEF CON Radio
File3 = http://icecast.radiofrance.fr/fipelectro-midfi.mp3
Title3 = FIP Electro
File4 = http://mp3.stream.tb-group.fm/tb.mp3
Title4 = TechnoBase.FM
[Без стиля]
File1 = http://icecast.radiofrance.fr/fip-midfi.mp3
Title1 = FIP
File2 = http://stream.radioparadise.com/mp3-128
Title2 = Radio Paradise - Main Mix
File3 = http://kexp-mp3-128.streamguys1.com/kexp128.mp3
Title3 = KEXP 90.3 FM Seattle
File4 = http://stream0.wfmu.org/freeform-128k
Title4 = WFMU Freeform
[Електронная]
File1 = http://ice1.somafm.com/beatblender-128-mp3
Title1 = SomaFM - Beat Blender
File2 = http://ice1.somafm.com/cliqhop-128-mp3
Title2 = SomaFM - cliqhop idm
File3 = http://ice1.somafm.com/spacestation-128-mp3
Title3 = SomaFM - Space Station Soma
File4 = http://ice1.somafm.com/digitalis-128-mp3
Title4 = SomaFM - Digitalis
[Классика]
File1 = http://stream.srg-ssr.ch/m/rsc_de/mp3_128
Title1 = Radio Swiss Classic
File2 = http://icecast.radiofrance.fr/francemusique-midfi.mp3
Title2 = France Musique
File3 = http://audio-mp3.ibiblio.org:8000/wcpe.mp3
Title3 = WCPE The Classical Station
File4 = http://radioclassique.ice.infomaniak.ch/radioclassique-high.mp3
Title4 = Radio Classique
[Музыка стран]
File1 = http://icecast.radiofrance.fr/fipworld-midfi.mp3
Title1 = FIP Monde
File2 = http://icecast.radiofrance.fr/fipreggae-midfi.mp3
Title2 = FIP Reggae
File3 = http://ice1.somafm.com/suburbsofgoa-128-mp3
Title3 = SomaFM - Suburbs of Goa
File4 = http://ice1.somafm.com/thistle-128-mp3
Title4 = SomaFM - ThistleRadio (кельтская)
[Новости]
File1 = http://icecast.vgtrk.cdnvideo.ru/vestifm_mp3_192kbps
Title1 = Вести FM
File2 = http://icecast.radiofrance.fr/franceinfo-midfi.mp3
Title2 = franceinfo
File3 = http://npr-ice.streamguys1.com/live.mp3
Title3 = NPR News
File4 = http://icecast.vgtrk.cdnvideo.ru/mayakfm_mp3_192kbps
Title4 = Радио Маяк
[Релаксация]
File1 = http://ice1.somafm.com/dronezone-128-mp3
Title1 = SomaFM - Drone Zone
File2 = http://ice1.somafm.com/groovesalad-128-mp3
Title2 = SomaFM - Groove Salad
File3 = http://ice1.somafm.com/deepspaceone-128-mp3
Title3 = SomaFM - Deep Space One
File4 = http://stream.radioparadise.com/mellow-128
Title4 = Radio Paradise - Mellow Mix
[Ретро]
File1 = http://retroserver.streamr.ru:8043/retro128
Title1 = Ретро FM
File2 = http://ice1.somafm.com/seventies-128-mp3
Title2 = SomaFM - Left Coast 70s
File3 = http://ice1.somafm.com/secretagent-128-mp3
Title3 = SomaFM - Secret Agent
File4 = http://air.radiorecord.ru:805/sd90_320
Title4 = Radio Record - Супердискотека 90-х
[Рок]
File1 = http://maximum.hostingradio.ru/maximum128.mp3
Title1 = Радио Maximum
File2 = http://media-ice.musicradio.com/RadioXUKMP3
Title2 = Radio X (UK)
File3 = http://ice1.somafm.com/metal-128-mp3
Title3 = SomaFM - Metal Detector
File4 = http://ice1.somafm.com/brfm-128-mp3
Title4 = SomaFM - Black Rock FM
[Танцевальная]
File1 = http://air.radiorecord.ru:805/rr_320
Title1 = Radio Record
File2 = http://air.radiorecord.ru:805/tm_320
Title2 = Radio Record - Trancemission
File3 = http://dfm.hostingradio.ru/dfm96.aacp
Title3 = DFM
File4 = http://ice1.somafm.com/thetrip-128-mp3
Title4 = SomaFM - The Trip
[Хиты 80-х]
File1 = http://ice1.somafm.com/u80s-128-mp3
Title1 = SomaFM - Underground 80s
File2 = http://strm112.1.fm/back280s_mobile_mp3
Title2 = 1.FM - Back to the 80s
File3 = http://media-ice.musicradio.com/GoldMP3
Title3 = Gold (UK)
[Шансон]
File1 = http://chanson.hostingradio.ru:8041/chanson128.mp3
Title1 = Радио Шансон
File2 = http://chantefrance.ice.infomaniak.ch/chantefrance-128.mp3
Title2 = Chante France
File3 = http://cdn.nrjaudio.fm/audio1/fr/30601/mp3_128.mp3
Title3 = Nostalgie (France)
[Эротика]
File1 = http://ice1.somafm.com/lush-128-mp3
Title1 = SomaFM - Lush
File2 = http://cdn.nrjaudio.fm/audio1/fr/30201/mp3_128.mp3
Title2 = Cherie FM
File3 = http://ice1.somafm.com/illstreet-128-mp3
Title3 = SomaFM - Illinois Street Lounge
File4 = http://media-ice.musicradio.com/SmoothUKMP3
Title4 = Smooth Radio (UK)
[Юмор]
File1 = http://cdn.nrjaudio.fm/audio1/fr/30401/mp3_128.mp3
Title1 = Rire & Chansons
[Всё подряд]
File1 = http://stream.radioparadise.com/mp3-128
Title1 = Radio Paradise - Main Mix
File2 = http://ice1.somafm.com/groovesalad-128-mp3
Title2 = SomaFM - Groove Salad
File3 = http://icecast.radiofrance.fr/fip-midfi.mp3
Title3 = FIP
File4 = http://ep128.hostingradio.ru:8030/ep128
Title4 = Европа Плюс
File5 = http://nashe1.hostingradio.ru/nashe-128.mp3
Title5 = Наше Радио
File6 = http://stream.srg-ssr.ch/m/rsj/mp3_128
Title6 = Radio Swiss Jazz
File7 = http://air.radiorecord.ru:805/rr_320
Title7 = Radio Record
File8 = http://ice1.somafm.com/indiepop-128-mp3
Title8 = SomaFM - Indie Pop Rocks!
File9 = http://kexp-mp3-128.streamguys1.com/kexp128.mp3
Title9 = KEXP 90.3 FM Seattle
File10 = http://stream.srg-ssr.ch/m/rsp/mp3_128
Title10 = Radio Swiss Pop
[Плейлист]
File0 = http://ice1.somafm.com/groovesalad-128-mp3
Title0 = SomaFM - Groove Salad
File1 = http://stream.radioparadise.com/mp3-128
Title1 = Radio Paradise - Main Mix
File2 = http://nashe1.hostingradio.ru/nashe-128.mp3
Title2 = Наше Радио
File3 = http://stream.srg-ssr.ch/m/rsj/mp3_128
Title3 = Radio Swiss Jazz
[История]
File0 = Depeche Mode
File1 = Кино
File2 = Pink Floyd
File3 = Земфира
File4 = Metallica
