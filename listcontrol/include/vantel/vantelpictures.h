#pragma once

#include <QHash>
#include <QPixmap>

#include <vector>

// The pictures a control's entries show, each kept once: an entry holds its
// picture's number, so filling or reordering a long list copies numbers, not
// pictures.
class VantelPictures {
public:
    // The number of `picture` here, adding it when it is new; -1 for a null
    // picture.
    int add(const QPixmap& picture);
    // The numbers of `pictures` here, in their order.
    std::vector<int> addAll(const std::vector<QPixmap>& pictures);
    // The picture numbered `number`; nullptr for -1 or a number not given out.
    const QPixmap* at(int number) const;
    size_t size() const { return m_pictures.size(); }
    void clear();

private:
    std::vector<QPixmap> m_pictures;
    QHash<qint64, int> m_numberOf; // by the picture's cache key
};
