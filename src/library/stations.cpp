// Entry points whose behaviour is not built yet: each does nothing.
#include "library/stations.h"

const std::array<std::string_view, 22> kStyles = {
    "Biues & rock", "Classic FM", "Dance Pop", "DNB", "Jazz", "RnB", "Русское", "Tehno",
    "Без стиля", "Електронная", "Классика", "Музыка стран", "Новости", "Релаксация", "Ретро", "Рок",
    "Танцевальная", "Хиты 80-х", "Шансон", "Эротика", "Юмор", "Всё подряд"};
void loadHistory() {}
void fillStyleList() {}
void loadStations() {}
void showStations() {}
void chooseStyle() {}
void playStation() {}
