#!/usr/bin/env python3
"""Writes data/файлы/<letter>.txt: well-known artist names by initial
letter, one per line, Windows-1251 with CR LF, for the artist index.

One file per letter label of the index: 26 Cyrillic letters, a..z and "#"
(names that begin with a digit or a sign).

Run from anywhere: python3 data/make_artist_files.py
"""
from pathlib import Path

NAMES = {
    "а": "Агата Кристи; Аквариум; Алиса; Алла Пугачёва; Ария; Ани Лорак; Анна Герман; "
         "Александр Розенбаум; Андрей Макаревич; Александр Малинин; Алсу",
    "б": "Би-2; Браво; Борис Гребенщиков; Бутырка; Белый орёл; Блестящие; Бьянка; Бархатные дьяволята; "
         "Булат Окуджава; Братья Грим",
    "в": "Валерий Меладзе; Виктор Цой; Валерий Леонтьев; Владимир Высоцкий; Ва-Банкъ; ВИА Гра; Вячеслав Бутусов; "
         "Валерия; Воскресение; Верка Сердючка",
    "г": "Гражданская оборона; Григорий Лепс; Город 312; Глюк'oZa; Гости из будущего; Горячий шоколад; "
         "Гарик Сукачёв; Группа Кино",
    "д": "ДДТ; Дима Билан; Дюна; Дискотека Авария; Дельфин; Доктор Ватсон; Диана Арбенина; Денис Майданов",
    "е": "Елена Ваенга; Ёлка; Евгений Осин; Ева Польна; Евгений Кемеровский; Егор Летов; Ермак; Ефрем Амирамов",
    "ж": "Жанна Фриске; Жуки; Жанна Агузарова; Женя Белоусов; Жасмин; Живые струны",
    "з": "Земфира; Звери; Зоопарк; Зинаида Кириенко; Здоровье; Золотое кольцо; Заточка",
    "и": "Игорь Тальков; Иванушки International; Ирина Аллегрова; Игорь Николаев; Ирина Билык; Илья Лагутенко; "
         "Ирина Отиева; Игорь Корнелюк",
    "к": "Кино; Король и Шут; Кар-Мэн; Кристина Орбакайте; Крематорий; Кипелов; Корней; Константин Никольский; "
         "Комбинация; Квест Пистолс; Кукрыниксы; Катя Лель",
    "л": "Любэ; Лолита; Ляпис Трубецкой; Леонид Агутин; Лариса Долина; Лев Лещенко; Ласковый май; Людмила Гурченко; "
         "Лицей",
    "м": "Машина времени; Мумий Тролль; Мираж; Михаил Шуфутинский; Муслим Магомаев; Михаил Боярский; Моральный кодекс; "
         "Макс Корж; Мара; Маша и Медведи",
    "н": "Наутилус Помпилиус; Николай Расторгуев; Надежда Кадышева; На-На; Ногу свело!; Наталья Ветлицкая; "
         "Николай Носков; Ночные снайперы",
    "о": "Олег Газманов; Океан Ельзи; Отпетые мошенники; Ольга Кормухина; Оксана Почепа; Олег Митяев; Оркестр Поля Мориа",
    "п": "Пикник; Полина Гагарина; Пётр Лещенко; Плохой Баланс; Парк Горького; Пелагея; Приключения Электроников",
    "р": "Руки Вверх!; Ранетки; Руслана; Роксана Бабаян; Рок-острова; Рондо; Ринат Каримов; Родион Газманов",
    "с": "Сплин; Секрет; София Ротару; Серебро; Сектор Газа; Светлана Лобода; Сергей Трофимов; Смысловые галлюцинации; "
         "Стас Михайлов; Сергей Жуков",
    "т": "Танцы минус; Татьяна Буланова; Тату; Тараканы!; Тимати; Троллейбусы; Татьяна Овсиенко; Трофим",
    "у": "Ума2рман; Ундервуд; Уитни Хьюстон; Уриа Хип; Ультравокс",
    "ф": "Филипп Киркоров; Фабрика; Фактор-2; Фёдор Шаляпин; Форум; Федук",
    "х": "Хор Турецкого; Хлеб; Хелависа; Хулио Иглесиас; Хаски",
    "ц": "Цветы; Центр; Цыганский хор театра Ромэн",
    "ч": "Чайф; Чиж & Co; Чай вдвоём; Чёрный Обелиск; Чайковский; Чингисхан; Чёрный кофе",
    "ш": "Шура; Шарль Азнавур; Шакира; Шер; Шаман; Шопен",
    "э": "Эдита Пьеха; Эдуард Хиль; Элвис Пресли; Эминем; Энигма; Эрос Рамазотти; Эпидемия",
    "ю": "Юрий Антонов; Юрий Шатунов; Юлия Савичева; Юрий Лоза; Юта; Юлия Началова",
    "a": "ABBA; AC/DC; Adele; Aerosmith; Alice Cooper; Amy Winehouse; Aqua; Arctic Monkeys; a-ha; Avril Lavigne; "
         "Ace of Base; Aretha Franklin",
    "b": "The Beatles; Bee Gees; Beyonce; Bon Jovi; Bob Marley; Black Sabbath; Blur; Bruce Springsteen; Bjork; "
         "Britney Spears; Bob Dylan; Blondie",
    "c": "Coldplay; The Cure; Cher; Chris Rea; Creedence Clearwater Revival; The Cranberries; Cyndi Lauper; "
         "Celine Dion; Chuck Berry; Culture Club",
    "d": "Depeche Mode; Deep Purple; David Bowie; Daft Punk; Dire Straits; The Doors; Duran Duran; Dr. Alban; "
         "Dido; Dolly Parton",
    "e": "Eminem; Elton John; Eagles; Elvis Presley; Enigma; Eric Clapton; Eurythmics; Europe; Enya; Ed Sheeran",
    "f": "Fleetwood Mac; Foo Fighters; Frank Sinatra; Franz Ferdinand; Faithless; Fatboy Slim; Frankie Goes to Hollywood",
    "g": "Genesis; Guns N' Roses; Gorillaz; Green Day; George Michael; Gloria Gaynor; Garbage; The Gathering",
    "h": "Hurts; HIM; Hole; Hans Zimmer; Harry Styles; Haddaway; Heart; The Hollies",
    "i": "Iron Maiden; Imagine Dragons; INXS; Iggy Pop; Inna; Ice Cube; Incubus; The Isley Brothers",
    "j": "Jamiroquai; Joe Cocker; Janis Joplin; Jimi Hendrix; Johnny Cash; Judas Priest; Justin Timberlake; "
         "Jean-Michel Jarre; James Brown",
    "k": "Kiss; Korn; The Killers; Kylie Minogue; Kraftwerk; Kings of Leon; Kate Bush; Katy Perry; Kool & the Gang",
    "l": "Led Zeppelin; Linkin Park; Lady Gaga; Lana Del Rey; Louis Armstrong; Lenny Kravitz; Limp Bizkit; Lou Reed",
    "m": "Madonna; Metallica; Michael Jackson; Muse; Modern Talking; Massive Attack; Moby; Marilyn Manson; "
         "Mylene Farmer; Mariah Carey; Moloko",
    "n": "Nirvana; Nazareth; Nick Cave and the Bad Seeds; Nightwish; Nina Simone; New Order; Norah Jones; Nena",
    "o": "Oasis; The Offspring; Ozzy Osbourne; OutKast; Oomph!; OneRepublic; Orchestral Manoeuvres in the Dark",
    "p": "Pink Floyd; Prodigy; Placebo; Pet Shop Boys; Prince; Pearl Jam; Portishead; P!nk; The Police; Phil Collins",
    "q": "Queen; Queens of the Stone Age; Quincy Jones; Quiet Riot; Queensryche",
    "r": "The Rolling Stones; Radiohead; Red Hot Chili Peppers; Rammstein; R.E.M.; Roxette; Rihanna; Robbie Williams; "
         "Ray Charles; Rainbow",
    "s": "Scorpions; Sting; Smokie; Sade; The Smiths; Simply Red; Slipknot; Shakira; Simon & Garfunkel; Suzi Quatro",
    "t": "Tina Turner; Toto; Tom Waits; Tears for Fears; Texas; The Temptations; Travis; Tokio Hotel",
    "u": "U2; UB40; Uriah Heep; Usher; Ultravox; Underworld",
    "v": "Van Halen; Vangelis; The Velvet Underground; Vanessa Paradis; Village People; Vengaboys",
    "w": "Whitney Houston; The White Stripes; The Who; Within Temptation; Weezer; Wham!",
    "x": "X Ambassadors; XTC; Xzibit; The xx; X-Ray Spex; Xavier Naidoo",
    "y": "Yes; Yello; Yazoo; Yngwie Malmsteen; Yeah Yeah Yeahs; Yann Tiersen",
    "z": "ZZ Top; Zucchero; Zaz; Zedd; The Zombies; Zara Larsson",
    "#": "2Pac; 3 Doors Down; 30 Seconds to Mars; 4 Non Blondes; 50 Cent; 10cc; 2 Unlimited; 38 Special; 311; "
         "5 Seconds of Summer; 13th Floor Elevators",
}


def main() -> None:
    cyrillic = "а б в г д е ж з и к л м н о п р с т у ф х ц ч ш э ю".split()
    latin = [chr(c) for c in range(ord("a"), ord("z") + 1)]
    assert sorted(NAMES) == sorted(cyrillic + latin + ["#"])
    folder = Path(__file__).resolve().parent / "файлы"
    folder.mkdir(exist_ok=True)
    for letter, names in NAMES.items():
        lines = [name.strip() for name in names.split(";")]
        text = "".join(name + "\r\n" for name in lines)
        (folder / f"{letter}.txt").write_bytes(text.encode("cp1251"))


if __name__ == "__main__":
    main()
