#include "vantel/vantelpictures.h"

int VantelPictures::add(const QPixmap& picture) {
    if (picture.isNull())
        return -1;
    const auto found = m_numberOf.constFind(picture.cacheKey());
    if (found != m_numberOf.cend())
        return *found;
    const int number = int(m_pictures.size());
    m_pictures.push_back(picture);
    m_numberOf.insert(picture.cacheKey(), number);
    return number;
}

std::vector<int> VantelPictures::addAll(const std::vector<QPixmap>& pictures) {
    std::vector<int> numbers;
    numbers.reserve(pictures.size());
    for (const QPixmap& picture : pictures)
        numbers.push_back(add(picture));
    return numbers;
}

const QPixmap* VantelPictures::at(int number) const {
    if (number < 0 || size_t(number) >= m_pictures.size())
        return nullptr;
    return &m_pictures[size_t(number)];
}

void VantelPictures::clear() {
    m_pictures.clear();
    m_numberOf.clear();
}
