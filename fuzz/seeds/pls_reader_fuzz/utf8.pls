0[playlist]
File1=D:\音乐\歌曲.mp3
File2=😀 Emoji\🎵 Song.mp3
File3=file:///C:/%D0%9C.mp3
NumberOfEntries=3
