#pragma once
// Base of every row or tile of the program's lists: common attributes, the
// free key/value store, an optional mutex and the state of in-cell controls.
// Models hold items by pointer only; whoever builds a list owns its items.

#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdatastorage.h"

#include <cstdint>
#include <memory>
#include <string>

class QMutex;

class IBaseChunk : public QDataStorage
{
public:
    static const char *const CheckKey; // "Item_check_key", an int
    static const char *const DateKey;  // "CHUNK_DATE_KEY", a string

    explicit IBaseChunk(bool withMutex = false);
    ~IBaseChunk() override;
    IBaseChunk(const IBaseChunk &) = delete;
    IBaseChunk &operator=(const IBaseChunk &) = delete;

    // 0 unchecked, 1 partially checked, 2 checked; kept in the store.
    virtual void SetCheck(int state);
    virtual int GetCheck();
    virtual void SetTitle(std::string title);
    virtual std::string GetTitle();
    virtual void SetID(int id);
    virtual int GetID();
    virtual void SetOwner(void *owner);
    virtual void *GetOwner();
    virtual void setDate(std::string date);
    virtual std::string getDate();
    virtual void setHash(std::string hash);
    virtual std::string getHash();
    virtual void setLocation(std::string location);
    virtual std::string getLocation();
    virtual void setEnable(bool enable);
    virtual bool getEnable();
    virtual void SetFilterId(std::string filterId);
    virtual std::string GetFilterId();
    virtual void setItemSearchText(std::string text);
    virtual std::string getItemSearchText();
    virtual void setImage(std::string path);
    virtual std::string GetImage();
    virtual void setThumbnailImage(std::string path);
    virtual std::string getThumbnailImage();
    virtual void SetImageLen(int length);
    virtual int GetImageLen();
    virtual void setData(void *data);
    virtual void *getData();
    virtual void setIsDeleted(bool deleted);
    virtual bool isDeleted();
    virtual void setSortValue(double value);
    virtual double getSortValue();
    virtual void setControlShow(bool show);
    virtual bool getControlShow();
    virtual void setToolTipText(std::string text);
    virtual std::string getToolTipText();
    virtual void setItemMaskImage(std::string path);
    virtual std::string getItemMakeImage();
    // Clears id, owner and title; everything else stays.
    virtual void Reset();
    // Hook for subclasses; the base does nothing.
    virtual bool remove();

    // Bit n enables column n; columns above 31 are always enabled.
    void setColumnEnable(int column, bool on);
    bool getColumnEnable(int column) const;
    // No-ops for an item made without a mutex.
    void Lock();
    void UnLock();
    // Empty until a control is added; one short block per item then.
    QChunkControl *getChunkControl() { return &m_chunkControl; }

private:
    // What most items of a large list never set here, kept apart so that
    // such a list's items carry none of it (the recordings table's rows
    // keep title and picture with their other texts).
    struct Rare
    {
        std::string title;
        std::string image;
        std::string thumbnailImage;
        std::string location;
        std::string hash;
        std::string filterId;
        std::string toolTipText;
        std::string maskImage;
        std::string searchText;
        void *owner = nullptr;
        void *data = nullptr;
        double sortValue = 0.0;
        int id = 0;
        int imageLength = 0;
        // Made with the item when it is made with one.
        std::unique_ptr<QMutex> mutex;
    };
    // The rare part, made when a value other than its default is set.
    template<typename T>
    void setRare(T Rare::*field, T value);
    template<typename T>
    T rare(T Rare::*field) const;

    std::unique_ptr<Rare> m_rare;
    QChunkControl m_chunkControl;
    uint32_t m_columnEnableMask = 0xFFFFFFFFu;
    bool m_enable = true;
    bool m_deleted = false;
    bool m_controlShow = true;
};
